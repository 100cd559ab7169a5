#pragma once

class QComboBox;

namespace pictavo {

// Has screen readers meet a pop-up picker (a combo box that only chooses, never edited) with its
// list only while the list is open. Qt's own interface keeps the closed list among the picker's
// children, its current row still reporting itself focused and showing, so that a screen reader
// finds two focused objects and reads a row nobody can see. The choice shown is the picker's name
// and its text, which screen readers read as its value, and a key that changes it while the list
// is closed has it read out. Everything else is as Qt has it: the picker's label comes as a
// relation, it can be expanded, and it opens its list by its press and show-menu actions. Call it
// as soon as the picker is made, before it is given items: a screen reader's bridge meets the
// picker as they come, and keeps the interface it met.
void showListOnlyWhileOpen(QComboBox* picker);

} // namespace pictavo
