#pragma once

namespace platform {

// One visitor made of several lambdas, one per alternative of a std::variant.
template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace platform
