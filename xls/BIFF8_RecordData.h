#pragma once
// The pieces every part of the spreadsheet writer builds its records from:
// little-endian record data, texts as UTF-16LE units, records with their
// CONTINUE pieces, and the buffer a block of rows is gathered in.  Internal
// to the writer (vteWriters*.cpp); nothing here knows a record's meaning.
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>
#include <string_view>
#include <vector>

#include "BIFF8_Types.h"
#include "Cp1250Codec.h"
#include "vteWriters.h"

namespace vte {

static_assert(std::endian::native == std::endian::little, "the record layouts are copied as they lie in memory");

// Puts the UTF-16LE units of an 8-bit text at `p`; returns the end.
inline std::uint8_t *PutWide(std::uint8_t *p, std::string_view text) {
    // Eight characters at a time: the units of ASCII characters are the
    // bytes themselves, so each byte is spread to two, the high one zero.
    const auto spread = [](std::uint64_t four) {
        four = (four | four << 16) & 0x0000FFFF0000FFFFull;
        return (four | four << 8) & 0x00FF00FF00FF00FFull;
    };
    const auto putUnits = [&p](std::string_view bytes) {
        for (char c : bytes) {
            const char16_t unit = cp1250::kUnits[static_cast<unsigned char>(c)];
            std::memcpy(p, &unit, 2);
            p += 2;
        }
    };
    for (; text.size() >= 8; text.remove_prefix(8)) {
        std::uint64_t eight;
        std::memcpy(&eight, text.data(), 8);
        const std::uint64_t low = spread(eight & 0xFFFFFFFFu), high = spread(eight >> 32);
        std::memcpy(p, &low, 8);
        std::memcpy(p + 8, &high, 8);
        // The few bytes of the upper half of the code page get their own units.
        for (std::uint64_t upper = eight & 0x8080808080808080ull; upper; upper &= upper - 1) {
            const int k = std::countr_zero(upper) / 8;
            const char16_t unit = cp1250::kUnits[static_cast<unsigned char>(text[static_cast<std::size_t>(k)])];
            std::memcpy(p + 2 * k, &unit, 2);
        }
        p += 16;
    }
    putUnits(text);
    return p;
}

inline void Put16(std::uint8_t *p, unsigned v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// Little-endian record data under construction.
class Bytes {
public:
    explicit Bytes(std::vector<std::uint8_t> &out) : out_(out) {}
    Bytes &U8(unsigned v) {
        out_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes &U16(unsigned v) {
        std::uint8_t *p = Grow(2);
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        return *this;
    }
    Bytes &U32(std::uint32_t v) {
        std::uint8_t *p = Grow(4);
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
        return *this;
    }
    Bytes &F64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        std::uint8_t *p = Grow(8);
        for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        return *this;
    }
    Bytes &Zeros(std::size_t n) {
        Grow(n);
        return *this;
    }
    // UTF-16LE units of an 8-bit text.
    Bytes &Wide(std::string_view text) {
        PutWide(Grow(2 * text.size()), text);
        return *this;
    }
    // Character count, option byte 1 (uncompressed), the characters.
    Bytes &WideString16(std::string_view text) { return U16(static_cast<unsigned>(text.size())).U8(1).Wide(text); }

private:
    // n more bytes, zero, at the end.
    std::uint8_t *Grow(std::size_t n) {
        const std::size_t at = out_.size();
        out_.resize(at + n);
        return out_.data() + at;
    }
    std::vector<std::uint8_t> &out_;
};

// The data of a small record, built on the stack.
template <std::size_t N> class Small {
public:
    Small &U16(unsigned v) {
        b_[n_++] = static_cast<std::uint8_t>(v);
        b_[n_++] = static_cast<std::uint8_t>(v >> 8);
        return *this;
    }
    Small &U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    std::array<std::uint8_t, N> Array() const {
        std::array<std::uint8_t, N> out;
        std::memcpy(out.data(), b_, N);
        return out;
    }

private:
    std::uint8_t b_[N];
    std::size_t n_ = 0;
};

// Records of one block of rows, gathered before they go into the stream.  It
// grows in large steps and never shrinks.  The small records are put
// straight in place, field by field (Begin, then U16, U32, F64 on the
// Fields it returns): building them elsewhere and copying them in costs more
// than building them.
class RecordBuffer {
public:
    // Where the fields of a record go: a pointer of its own, which stays in a
    // register while the bytes are written (the buffer's own members would be
    // read again after every byte).
    class Fields {
    public:
        Fields(std::uint8_t *p, const std::uint8_t *end) : p_(p), end_(end) {}
        Fields &U16(unsigned v) {
            assert(end_ - p_ >= 2 && "no more bytes than the record announced");
            p_[0] = static_cast<std::uint8_t>(v);
            p_[1] = static_cast<std::uint8_t>(v >> 8);
            p_ += 2;
            return *this;
        }
        Fields &U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
        Fields &F64(double v) {
            assert(end_ - p_ >= 8 && "no more bytes than the record announced");
            std::memcpy(p_, &v, 8);
            p_ += 8;
            return *this;
        }

    private:
        std::uint8_t *p_;
        const std::uint8_t *end_;  // checked in debug builds; the optimiser drops it otherwise
    };

    // A record of `size` data bytes; exactly that many must follow.
    Fields Begin(std::uint16_t id, std::size_t size) {
        Room(biff8::RecordHeaderSize + size);
        std::uint8_t *start = bytes_.data() + used_;
        used_ += biff8::RecordHeaderSize + size;
        Fields fields(start, bytes_.data() + used_);
        fields.U16(id).U16(static_cast<unsigned>(size));
        return fields;
    }
    // Any bytes, e.g. a whole record.
    void Write(const void *data, std::size_t size) {
        Room(size);
        std::memcpy(bytes_.data() + used_, data, size);
        used_ += size;
    }

    const std::uint8_t *Data() const { return bytes_.data(); }
    std::size_t Size() const { return used_; }
    void Clear() { used_ = 0; }

private:
    void Room(std::size_t size) {
        if (bytes_.size() - used_ < size) bytes_.resize(std::max(2 * bytes_.size(), used_ + size));
    }

    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// TvteExcelWriter::WriteRecord, for a TvteStream or a RecordBuffer.
template <class Sink> void PutRecord(Sink &sink, std::uint16_t id, const void *data, std::size_t size) {
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    if (size <= 60) {  // the cell records: one write of header and data
        std::uint8_t record[64] = {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                                   static_cast<std::uint8_t>(size), 0};
        if (size) std::memcpy(record + 4, bytes, size);
        sink.Write(record, 4 + size);
        return;
    }
    std::size_t done = 0;
    do {
        const std::size_t piece = std::min(size - done, biff8::MaxRecordData);
        const std::uint16_t pieceId = done == 0 ? id : biff8::CONTINUE;
        const std::uint8_t header[4] = {static_cast<std::uint8_t>(pieceId), static_cast<std::uint8_t>(pieceId >> 8),
                                        static_cast<std::uint8_t>(piece), static_cast<std::uint8_t>(piece >> 8)};
        sink.Write(header, sizeof header);
        if (piece) sink.Write(bytes + done, piece);
        done += piece;
    } while (done < size);
}

template <class Sink> void Record(Sink &sink, std::uint16_t id, const std::vector<std::uint8_t> &data) {
    PutRecord(sink, id, data.data(), data.size());
}

inline void Record16(TvteStream &stream, std::uint16_t id, unsigned value) {
    const std::uint8_t data[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    TvteExcelWriter::WriteRecord(stream, id, data, sizeof data);
}

inline void RecordF64(TvteStream &stream, std::uint16_t id, double value) {
    std::vector<std::uint8_t> data;
    Bytes(data).F64(value);
    Record(stream, id, data);
}

template <std::size_t N> void Image(TvteStream &stream, const std::array<std::uint8_t, N> &image) {
    stream.Write(image.data(), image.size());
}

inline void PatchU32(TvteStream &stream, std::size_t position, std::uint32_t value) {
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    stream.Seek(position);
    stream.Write(bytes, sizeof bytes);
}

// Texts longer than a 16-bit character count are cut so that the count and
// the characters that follow it still agree.
inline constexpr std::size_t kMaxText = 0xFFFF;

}  // namespace vte
