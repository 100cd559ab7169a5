#pragma once
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <vector>

namespace pictavo {

// The options of a segmented control, left to right, each a title and the value it stands for.
template <typename T>
struct DSSegments {
    struct Option {
        QString title;
        T tag;

        bool operator==(const Option&) const = default;
    };

    std::vector<Option> options;

    DSSegments() = default;
    DSSegments(std::initializer_list<Option> list) : options(list) {}

    bool operator==(const DSSegments&) const = default;

    QStringList titles() const {
        QStringList titles;
        for (const Option& option : options) titles << option.title;
        return titles;
    }

    // The position of the first option standing for the value; -1 when none does.
    int indexOf(const T& value) const {
        for (std::size_t index = 0; index < options.size(); ++index) {
            if (options[index].tag == value) return int(index);
        }
        return -1;
    }

    // None for a position outside the options.
    std::optional<T> tagAt(int index) const {
        if (index < 0 || std::size_t(index) >= options.size()) return std::nullopt;
        return options[std::size_t(index)].tag;
    }
};

} // namespace pictavo
