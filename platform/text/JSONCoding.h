#pragma once
#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reading and writing the program's stored values as JSON, with the error kinds and
// texts of a strict typed decoder: nothing is guessed, integers never go through a
// double, and nothing that JSON cannot hold (NaN, infinities) is ever written.
namespace platform::json {

// Objects keep their keys in the order they were written.
using Value = nlohmann::ordered_json;
// The keys from the document's root to a value.
using CodingPath = std::vector<std::string>;

// "sizing.fit.maxWidth"; empty at the root.
std::string pathText(const CodingPath& path);

class DecodingError : public std::runtime_error {
public:
    enum class Kind { keyNotFound, typeMismatch, valueNotFound, dataCorrupted };

    DecodingError(Kind kind, CodingPath codingPath, std::string description);

    Kind kind() const { return kind_; }
    const CodingPath& codingPath() const { return codingPath_; }
    const std::string& description() const { return description_; }

private:
    Kind kind_;
    CodingPath codingPath_;
    std::string description_;
};

class EncodingError : public std::runtime_error {
public:
    EncodingError(CodingPath codingPath, std::string description);

    const CodingPath& codingPath() const { return codingPath_; }
    const std::string& description() const { return description_; }

private:
    CodingPath codingPath_;
    std::string description_;
};

// Throws dataCorrupted at the root when the text is not one complete JSON document.
Value parse(std::string_view text);

// Compact text of a value. Throws EncodingError for a non-finite number or a string that
// is not valid UTF-8, so that a stored value is never replaced by one that cannot be read.
std::string write(const Value& value);

// A number for the writer; throws EncodingError (at the given path) when it is not finite.
Value finiteNumber(double value, const CodingPath& path);

// The one-key form of a closed set's case: {"name": payload}, the payload an empty object
// when the case carries nothing.
Value closedSetCase(std::string_view name, Value payload = Value::object());

class KeyedReader;

// A read position in a parsed document. It refers to the document, which must outlive it.
class Reader {
public:
    explicit Reader(const Value& value, CodingPath path = {});

    const CodingPath& codingPath() const { return path_; }
    bool isNull() const { return value_->is_null(); }

    std::string string() const;
    bool boolean() const;
    // Integral JSON numbers, and floating ones that are exactly integral (80.0) and small
    // enough that no digit was lost on reading; anything else is refused.
    std::int64_t int64() const;
    double number() const;
    KeyedReader object() const;

private:
    [[noreturn]] void mismatch(std::string_view expected) const;

    const Value* value_;
    CodingPath path_;
};

class KeyedReader {
public:
    KeyedReader(const Value& object, CodingPath path);

    const CodingPath& codingPath() const { return path_; }
    bool contains(std::string_view key) const;

    // The value under the key; keyNotFound when it is missing.
    Reader at(std::string_view key) const;
    // Nothing when the key is missing or its value is null.
    std::optional<Reader> ifPresent(std::string_view key) const;

    // Required values: a missing key is keyNotFound, a null value valueNotFound.
    std::string string(std::string_view key) const { return at(key).string(); }
    bool boolean(std::string_view key) const { return at(key).boolean(); }
    std::int64_t int64(std::string_view key) const { return at(key).int64(); }
    double number(std::string_view key) const { return at(key).number(); }

    // The single recognised case key of a closed set's one-key form and the reader of its
    // value. Keys that name no case are not counted; anything but exactly one recognised
    // key is a type mismatch at this object's path.
    std::pair<std::string, Reader> closedSetCase(std::initializer_list<std::string_view> cases) const;

private:

    const Value* object_;
    CodingPath path_;
};

} // namespace platform::json
