#include "platform/text/JSONCoding.h"

#include "platform/base/Geometry.h"

#include <cmath>

namespace platform::json {

namespace {

using Kind = DecodingError::Kind;

CodingPath appended(const CodingPath& path, std::string_view key) {
    CodingPath result = path;
    result.emplace_back(key);
    return result;
}

std::string foundText(const Value& value) {
    switch (value.type()) {
    case Value::value_t::null: return "null";
    case Value::value_t::boolean: return "a bool";
    case Value::value_t::string: return "a string";
    case Value::value_t::array: return "an array";
    case Value::value_t::object: return "a dictionary";
    case Value::value_t::number_integer:
    case Value::value_t::number_unsigned:
    case Value::value_t::number_float: return "a number";
    default: return "an unknown value";
    }
}

void checkFinite(const Value& value, CodingPath& path) {
    if (value.is_number_float()) {
        finiteNumber(value.get<double>(), path);
    } else if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            path.push_back(key);
            checkFinite(member, path);
            path.pop_back();
        }
    } else if (value.is_array()) {
        std::size_t index = 0;
        for (const auto& element : value) {
            path.push_back("Index " + std::to_string(index++));
            checkFinite(element, path);
            path.pop_back();
        }
    }
}

// 2^53: every integer below it has its own double, so an integral double this small was
// read without losing a digit (2^53 itself may be a rounded 2^53 + 1).
constexpr double exactIntegerLimit = 9007199254740992.0;

} // namespace

std::string pathText(const CodingPath& path) {
    std::string text;
    for (const auto& key : path) {
        if (!text.empty()) text += '.';
        text += key;
    }
    return text;
}

DecodingError::DecodingError(Kind kind, CodingPath codingPath, std::string description)
    : std::runtime_error(description + (codingPath.empty() ? "" : " (at " + pathText(codingPath) + ")")),
      kind_(kind), codingPath_(std::move(codingPath)), description_(std::move(description)) {}

EncodingError::EncodingError(CodingPath codingPath, std::string description)
    : std::runtime_error(description + (codingPath.empty() ? "" : " (at " + pathText(codingPath) + ")")),
      codingPath_(std::move(codingPath)), description_(std::move(description)) {}

Value parse(std::string_view text) {
    Value parsed = Value::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) throw DecodingError(Kind::dataCorrupted, {}, "The given data was not valid JSON.");
    return parsed;
}

std::string write(const Value& value) {
    CodingPath path;
    checkFinite(value, path);
    try {
        return value.dump();
    } catch (const nlohmann::json::type_error&) {
        throw EncodingError({}, "A string is not valid UTF-8 text.");
    }
}

Value finiteNumber(double value, const CodingPath& path) {
    if (!std::isfinite(value)) {
        const char* name = std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
        throw EncodingError(path, std::string("Unable to encode ") + name + " directly in JSON.");
    }
    return Value(value);
}

Value closedSetCase(std::string_view name, Value payload) {
    Value object = Value::object();
    object[std::string(name)] = std::move(payload);
    return object;
}

Reader::Reader(const Value& value, CodingPath path) : value_(&value), path_(std::move(path)) {}

void Reader::mismatch(std::string_view expected) const {
    if (value_->is_null())
        throw DecodingError(Kind::valueNotFound, path_,
                            "Expected " + std::string(expected) + " value but found null instead.");
    throw DecodingError(Kind::typeMismatch, path_,
                        "Expected to decode " + std::string(expected) + " but found " + foundText(*value_) +
                            " instead.");
}

std::string Reader::string() const {
    if (!value_->is_string()) mismatch("String");
    return value_->get<std::string>();
}

bool Reader::boolean() const {
    if (!value_->is_boolean()) mismatch("Bool");
    return value_->get<bool>();
}

std::int64_t Reader::int64() const {
    if (value_->is_number_integer() && !value_->is_number_unsigned()) return value_->get<std::int64_t>();
    const auto doesNotFit = [this] {
        return DecodingError(Kind::dataCorrupted, path_,
                             "Parsed JSON number <" + value_->dump() + "> does not fit in Int64.");
    };
    if (value_->is_number_unsigned()) {
        const std::uint64_t unsignedValue = value_->get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(INT64_MAX)) throw doesNotFit();
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value_->is_number_float()) {
        const double real = value_->get<double>();
        const auto integral = toInt64Checked(real);
        if (!integral || !(std::fabs(real) < exactIntegerLimit) || std::trunc(real) != real) throw doesNotFit();
        return *integral;
    }
    mismatch("Int64");
}

double Reader::number() const {
    if (!value_->is_number()) mismatch("Double");
    return value_->get<double>();
}

KeyedReader Reader::object() const {
    if (!value_->is_object()) mismatch("Dictionary<String, Any>");
    return KeyedReader(*value_, path_);
}

KeyedReader::KeyedReader(const Value& object, CodingPath path) : object_(&object), path_(std::move(path)) {}

bool KeyedReader::contains(std::string_view key) const { return object_->contains(key); }

Reader KeyedReader::at(std::string_view key) const {
    auto found = object_->find(key);
    if (found == object_->end())
        throw DecodingError(Kind::keyNotFound, path_, "No value associated with key \"" + std::string(key) + "\".");
    return Reader(*found, appended(path_, key));
}

std::optional<Reader> KeyedReader::ifPresent(std::string_view key) const {
    auto found = object_->find(key);
    if (found == object_->end() || found->is_null()) return std::nullopt;
    return Reader(*found, appended(path_, key));
}

std::pair<std::string, Reader> KeyedReader::closedSetCase(std::initializer_list<std::string_view> cases) const {
    const std::string_view* only = nullptr;
    int recognised = 0;
    for (const auto& name : cases) {
        if (object_->contains(name)) {
            only = &name;
            ++recognised;
        }
    }
    if (recognised != 1)
        throw DecodingError(Kind::typeMismatch, path_, "Invalid number of keys found, expected one.");
    return {std::string(*only), at(*only)};
}

} // namespace platform::json
