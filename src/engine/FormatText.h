#pragma once
// printf-style formatting for the engine's texts: %s, %d and %W.Pf with an optional "-" or "0" flag and
// a width, and "%%". Numbers always use a decimal point, whatever locale the process has switched to,
// and are rounded exactly as printf rounds them. Cheap enough to run for every file of a large tree.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace hozonix::engine {

class FormatArg {
public:
    enum class Kind { Text, Integer, Real };
    FormatArg(const char* text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
    FormatArg(int value) : kind_(Kind::Integer), integer_(value) {}
    FormatArg(int64_t value) : kind_(Kind::Integer), integer_(value) {}
    FormatArg(double value) : kind_(Kind::Real), real_(value) {}

    Kind kind() const { return kind_; }
    std::string_view text() const { return text_; }
    int64_t integer() const { return kind_ == Kind::Real ? static_cast<int64_t>(real_) : integer_; }
    double real() const { return kind_ == Kind::Integer ? static_cast<double>(integer_) : real_; }

private:
    Kind kind_;
    std::string_view text_;
    int64_t integer_ = 0;
    double real_ = 0;
};

std::string FormatTextList(std::string_view format, std::initializer_list<FormatArg> args);

template <typename... Args> std::string FormatText(std::string_view format, const Args&... args) {
    return FormatTextList(format, {FormatArg(args)...});
}

} // namespace hozonix::engine
