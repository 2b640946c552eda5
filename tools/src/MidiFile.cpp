#include "MidiFile.h"

#include "ToolError.h"

#include <glib.h>
#include <smf.h>

#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

namespace quendra::renderer
{

namespace
{

// libsmf tells what it dislikes through GLib's log; the first message becomes the reason of
// the error, and nothing reaches the terminal.
class LogCapture
{
public:
    LogCapture() : mPrevious(g_log_set_default_handler(&LogCapture::keep, this)) {}
    ~LogCapture() { g_log_set_default_handler(mPrevious, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::string& first() const { return mFirst; }

private:
    static void keep(const gchar*, GLogLevelFlags, const gchar* message, gpointer self)
    {
        auto& capture = *static_cast<LogCapture*>(self);
        if (capture.mFirst.empty() && message != nullptr)
            capture.mFirst = message;
    }

    GLogFunc mPrevious;
    std::string mFirst;
};

struct SmfDeleter
{
    void operator()(smf_t* smf) const noexcept { smf_delete(smf); }
};

bool isChannelMessage(const smf_event_t& event)
{
    const int status = event.midi_buffer_length > 0 ? event.midi_buffer[0] : 0;
    return status >= 0x80 && status < 0xF0;
}

} // namespace

MidiTimeline midiTimelineFromBytes(const void* data, std::size_t size, int channel,
                                   const std::string& name)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw ToolError(name + " is too large for a MIDI file");
    LogCapture log;
    const std::unique_ptr<smf_t, SmfDeleter> smf(
        smf_load_from_memory(data, static_cast<int>(size)));
    if (!smf)
        throw ToolError(name + " is not a readable MIDI file" +
                        (log.first().empty() ? "" : ": " + log.first()));
    MidiTimeline timeline;
    while (smf_event_t* event = smf_get_next_event(smf.get()))
    {
        if (!isChannelMessage(*event) || event->midi_buffer_length > 3)
            continue;
        if (channel != 0 && (event->midi_buffer[0] & 0x0F) != channel - 1)
            continue;
        TimedMidi message;
        message.seconds = event->time_seconds;
        message.size = static_cast<std::uint8_t>(event->midi_buffer_length);
        for (int i = 0; i < event->midi_buffer_length; ++i)
            message.bytes[static_cast<std::size_t>(i)] = event->midi_buffer[i];
        timeline.push_back(message);
    }
    return timeline;
}

MidiTimeline readMidiFile(const std::string& path, int channel)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw ToolError("cannot open the MIDI file '" + path + "'");
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    return midiTimelineFromBytes(bytes.data(), bytes.size(), channel, "'" + path + "'");
}

} // namespace quendra::renderer
