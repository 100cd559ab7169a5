#pragma once
#include <functional>
#include <utility>

namespace pictavo {

// A value that an editor reads and writes without owning it: the current specification of the
// batch, the saved default, or one field of either. The owner tells the editor when the value
// changed behind its back; the editor then re-reads it.
template <typename T>
struct Binding {
    std::function<T()> get;
    std::function<void(const T&)> set;

    // The binding of one field: writing it writes the whole value with only that field changed.
    template <typename Field>
    Binding<Field> member(Field T::*field) const {
        return {[get = get, field] { return get().*field; },
                [get = get, set = set, field](const Field& value) {
                    T whole = get();
                    whole.*field = value;
                    set(whole);
                }};
    }
};

} // namespace pictavo
