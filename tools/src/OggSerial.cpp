#include "OggSerial.h"

#include "ToolError.h"
#include "platform/System.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace quendra::renderer
{

namespace
{

// The page checksum: CRC-32 with polynomial 0x04c11db7, no reflection, initial value 0, over
// the whole page with its checksum field set to zero.
std::array<std::uint32_t, 256> makeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i)
    {
        std::uint32_t value = i << 24;
        for (int bit = 0; bit < 8; ++bit)
        {
            value = (value & 0x80000000u) ? (value << 1) ^ 0x04c11db7u : value << 1;
        }
        table[i] = value;
    }
    return table;
}

std::uint32_t pageCrc(const unsigned char* page, std::size_t size)
{
    static const auto table = makeCrcTable();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
    {
        crc = (crc << 8) ^ table[((crc >> 24) ^ page[i]) & 0xff];
    }
    return crc;
}

void putLittleEndian(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

constexpr std::size_t kHeaderBytes = 27; // up to and including the segment count
constexpr std::size_t kSerialAt = 14;
constexpr std::size_t kChecksumAt = 22;

} // namespace

void setOggStreamSerial(const std::string& path, std::uint32_t serial)
{
    const auto fail = [&] { return ToolError("cannot write '" + path + "': damaged Ogg stream"); };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::openFile(path, "r+b"),
                                                         &std::fclose);
    if (!file)
    {
        throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
    }
    std::vector<unsigned char> page(kHeaderBytes + 255 + 255 * 255);
    long offset = 0;
    while (std::fread(page.data(), 1, kHeaderBytes, file.get()) == kHeaderBytes)
    {
        if (std::memcmp(page.data(), "OggS", 4) != 0)
        {
            throw fail();
        }
        const std::size_t segments = page[kHeaderBytes - 1];
        if (std::fread(page.data() + kHeaderBytes, 1, segments, file.get()) != segments)
        {
            throw fail();
        }
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
        {
            body += page[kHeaderBytes + i];
        }
        const std::size_t size = kHeaderBytes + segments + body;
        if (std::fread(page.data() + kHeaderBytes + segments, 1, body, file.get()) != body)
        {
            throw fail();
        }
        putLittleEndian(page.data() + kSerialAt, serial);
        putLittleEndian(page.data() + kChecksumAt, 0);
        putLittleEndian(page.data() + kChecksumAt, pageCrc(page.data(), size));
        if (std::fseek(file.get(), offset, SEEK_SET) != 0 ||
            std::fwrite(page.data(), 1, size, file.get()) != size ||
            std::fseek(file.get(), 0, SEEK_CUR) != 0)
        {
            throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
        }
        offset += static_cast<long>(size);
    }
    if (std::fflush(file.get()) != 0)
    {
        throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
    }
}

} // namespace quendra::renderer
