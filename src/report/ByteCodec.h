#pragma once
// Big-endian numbers into and out of byte strings, for the page and ".REP" encodings. The reader never
// reads past its bytes: a short read raises the error type it is given.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace hozonix::report {

template <typename T> void PutUnsigned(std::string& out, T value) {
    for (int shift = 8 * (int(sizeof(T)) - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

inline void PutDouble(std::string& out, double value) {
    PutUnsigned(out, std::bit_cast<std::uint64_t>(value));
}

template <typename Error> class ByteReader {
public:
    ByteReader(std::string_view bytes, const char* reason) : bytes_(bytes), reason_(reason) {}

    std::size_t Remaining() const { return bytes_.size() - pos_; }
    bool AtEnd() const { return pos_ == bytes_.size(); }

    template <typename T> T Unsigned() {
        Need(sizeof(T));
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            value = static_cast<T>((value << 8) | static_cast<unsigned char>(bytes_[pos_ + i]));
        pos_ += sizeof(T);
        return value;
    }
    double Double() { return std::bit_cast<double>(Unsigned<std::uint64_t>()); }
    std::string_view Bytes(std::size_t count) {
        Need(count);
        const std::string_view part = bytes_.substr(pos_, count);
        pos_ += count;
        return part;
    }

private:
    void Need(std::size_t count) const {
        if (count > Remaining())
            throw Error(reason_);
    }

    std::string_view bytes_;
    const char* reason_;
    std::size_t pos_ = 0;
};

} // namespace hozonix::report
