#include "MidiFile.h"

#include "ToolError.h"

#include <tessel/host/Utf8Path.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>
#include <vector>

namespace quendra::renderer
{

namespace
{

// The bytes of a file, read with every bound checked: a short read is an error naming what
// was being read.
class Reader
{
public:
    Reader(std::string_view bytes, const std::string& name) : mBytes(bytes), mName(name) {}

    bool done() const { return mAt >= mBytes.size(); }
    std::size_t position() const { return mAt; }

    std::uint8_t byte(const char* what)
    {
        if (done())
            fail(std::string("the file ends inside ") + what);
        return static_cast<std::uint8_t>(mBytes[mAt++]);
    }
    std::uint32_t bigEndian(int size, const char* what)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | byte(what);
        return value;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    std::uint32_t varLength(const char* what)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
        {
            const std::uint8_t b = byte(what);
            value = value << 7 | (b & 0x7F);
            if ((b & 0x80) == 0)
                return value;
        }
        fail(std::string("a length or time longer than four bytes in ") + what);
    }
    std::string_view take(std::size_t size, const char* what)
    {
        if (size > mBytes.size() - mAt)
            fail(std::string("the file ends inside ") + what);
        const std::string_view part = mBytes.substr(mAt, size);
        mAt += size;
        return part;
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw ToolError(mName + " is not a readable MIDI file: " + what + " (byte " +
                        std::to_string(mAt) + ")");
    }

private:
    std::string_view mBytes;
    const std::string& mName;
    std::size_t mAt = 0;
};

struct TickedMessage
{
    std::uint64_t tick = 0;
    std::size_t order = 0; // file order, to keep simultaneous messages as written
    TimedMidi message;
};

// One track's channel messages and tempo changes (ticks to microseconds per beat).
void readTrack(std::string_view body, const std::string& name, std::size_t& order,
               std::vector<TickedMessage>& messages, std::map<std::uint64_t, std::uint32_t>& tempos)
{
    Reader track(body, name);
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!track.done())
    {
        tick += track.varLength("an event time");
        std::uint8_t status = track.byte("an event");
        if (status == 0xFF)
        {
            const std::uint8_t type = track.byte("a meta event");
            const std::string_view data =
                track.take(track.varLength("a meta event"), "a meta event");
            if (type == 0x2F)
                return; // end of track
            if (type == 0x51 && data.size() == 3)
            {
                const auto us = static_cast<std::uint32_t>(
                    static_cast<std::uint8_t>(data[0]) << 16 |
                    static_cast<std::uint8_t>(data[1]) << 8 | static_cast<std::uint8_t>(data[2]));
                if (us == 0)
                    track.fail("a tempo of zero microseconds a beat");
                tempos[tick] = us;
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7)
        {
            (void)track.take(track.varLength("a system exclusive message"),
                             "a system exclusive message");
            running = 0;
            continue;
        }
        if (status > 0xF0)
            track.fail("a system message inside a track");
        std::uint8_t first = 0;
        if (status < 0x80)
        {
            if (running == 0)
                track.fail("a data byte where an event should start");
            first = status;
            status = running;
        }
        else
        {
            running = status;
            first = track.byte("a channel message");
        }
        TimedMidi message;
        message.bytes[0] = status;
        message.bytes[1] = first;
        const bool oneDataByte = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
        message.size = oneDataByte ? 2 : 3;
        if (!oneDataByte)
            message.bytes[2] = track.byte("a channel message");
        if (message.bytes[1] >= 0x80 || message.bytes[2] >= 0x80)
            track.fail("a data byte above 127");
        messages.push_back({tick, order++, message});
    }
}

} // namespace

MidiTimeline midiTimelineFromBytes(const void* data, std::size_t size, int channel,
                                   const std::string& name)
{
    Reader file(std::string_view(static_cast<const char*>(data), size), name);
    if (file.take(4, "the header") != "MThd")
        file.fail("no MThd header");
    const std::uint32_t headerSize = file.bigEndian(4, "the header");
    if (headerSize < 6)
        file.fail("a header shorter than six bytes");
    const std::uint32_t format = file.bigEndian(2, "the header");
    const std::uint32_t trackCount = file.bigEndian(2, "the header");
    const std::uint32_t division = file.bigEndian(2, "the header");
    (void)file.take(headerSize - 6, "the header");
    if (format > 1)
        file.fail("format " + std::to_string(format) + " (only formats 0 and 1 are read)");
    if (division == 0)
        file.fail("a time division of zero");

    std::vector<TickedMessage> messages;
    std::map<std::uint64_t, std::uint32_t> tempos; // tick -> microseconds a beat
    std::size_t order = 0;
    std::uint32_t tracksRead = 0;
    while (!file.done() && tracksRead < trackCount)
    {
        const std::string_view type = file.take(4, "a chunk header");
        const std::string_view body = file.take(file.bigEndian(4, "a chunk header"), "a chunk");
        if (type != "MTrk")
            continue; // chunks of other kinds are skipped, as the standard asks
        readTrack(body, name, order, messages, tempos);
        ++tracksRead;
    }
    std::stable_sort(messages.begin(), messages.end(),
                     [](const TickedMessage& a, const TickedMessage& b)
                     { return a.tick < b.tick; });

    // Ticks to seconds: through the tempo map for beats, or frames of SMPTE time.
    const bool smpte = (division & 0x8000) != 0;
    double smpteSecondsPerTick = 0.0;
    if (smpte)
    {
        const int framesPerSecond = 256 - static_cast<int>(division >> 8);
        const int ticksPerFrame = static_cast<int>(division & 0xFF);
        if (ticksPerFrame == 0)
            file.fail("zero ticks a frame");
        smpteSecondsPerTick = 1.0 / ((framesPerSecond == 29 ? 29.97 : framesPerSecond) *
                                     static_cast<double>(ticksPerFrame));
    }
    const double ticksPerBeat = static_cast<double>(division & 0x7FFF);
    std::uint64_t tempoTick = 0;
    double tempoSeconds = 0.0;
    double secondsPerTick = 0.5 / ticksPerBeat; // 120 beats a minute until a tempo is set
    auto nextTempo = tempos.begin();
    MidiTimeline timeline;
    for (const TickedMessage& m : messages)
    {
        if (!smpte)
            for (; nextTempo != tempos.end() && nextTempo->first <= m.tick; ++nextTempo)
            {
                tempoSeconds += static_cast<double>(nextTempo->first - tempoTick) * secondsPerTick;
                tempoTick = nextTempo->first;
                secondsPerTick = nextTempo->second * 1e-6 / ticksPerBeat;
            }
        if (channel != 0 && (m.message.bytes[0] & 0x0F) != channel - 1)
            continue;
        TimedMidi message = m.message;
        message.seconds =
            smpte ? static_cast<double>(m.tick) * smpteSecondsPerTick
                  : tempoSeconds + static_cast<double>(m.tick - tempoTick) * secondsPerTick;
        timeline.push_back(message);
    }
    return timeline;
}

MidiTimeline readMidiFile(const std::string& path, int channel)
{
    std::ifstream file(tessel::host::pathFromUtf8(path), std::ios::binary);
    if (!file)
        throw ToolError("cannot open the MIDI file '" + path + "'");
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    return midiTimelineFromBytes(bytes.data(), bytes.size(), channel, "'" + path + "'");
}

} // namespace quendra::renderer
