#include "quendra/dsp/ScalaTuning.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace quendra::dravel::vantor
{

namespace
{

// The lines of a file that are not comments ('!' first), with their line numbers.
class Lines
{
public:
    Lines(std::string_view text, const char* fileKind) : mKind(fileKind)
    {
        for (std::size_t start = 0; start < text.size();)
        {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            mLines.push_back(line);
            start = end + 1;
        }
    }

    std::optional<std::string_view> next()
    {
        while (mNext < mLines.size())
        {
            const std::string_view line = mLines[mNext++];
            if (line.empty() || line.front() != '!')
                return line;
        }
        return std::nullopt;
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw ScalaError(std::string(mKind) + " line " + std::to_string(mNext) + ": " + what);
    }
    [[noreturn]] void failAtEnd(const std::string& what) const
    {
        throw ScalaError(std::string(mKind) + " ends early: " + what);
    }

private:
    const char* mKind;
    std::vector<std::string_view> mLines;
    std::size_t mNext = 0; // also the number of the line last read
};

std::string_view firstWord(std::string_view line)
{
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    const std::size_t end = line.find_first_of(" \t", start);
    return line.substr(start, end == std::string_view::npos ? end : end - start);
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view text)
{
    Number value{};
    if constexpr (std::is_floating_point_v<Number>)
    {
        // strtod: not every standard library has from_chars for floating point (the browser
        // build's does not). This program never changes the "C" locale's decimal point.
        const std::string copy(text);
        char* end = nullptr;
        errno = 0;
        value = static_cast<Number>(std::strtod(copy.c_str(), &end));
        if (copy.empty() || errno == ERANGE || end != copy.c_str() + copy.size() ||
            copy.find_first_of(" \t+xXnNiI") != std::string::npos)
            return std::nullopt;
    }
    else
    {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
    }
    return value;
}

// A pitch line: cents when it holds a dot, else a ratio "a/b" or a whole number "a".
double pitchRatio(std::string_view word, const Lines& lines)
{
    if (word.find('.') != std::string_view::npos)
    {
        const auto cents = parseNumber<double>(word);
        if (!cents || !std::isfinite(*cents) || std::abs(*cents) > 1.0e6)
            lines.fail("'" + std::string(word) + "' is not a pitch in cents");
        return std::exp2(*cents / 1200.0);
    }
    const std::size_t slash = word.find('/');
    const auto numerator = parseNumber<std::uint64_t>(word.substr(0, slash));
    const auto denominator = slash == std::string_view::npos
                                 ? std::optional<std::uint64_t>(1)
                                 : parseNumber<std::uint64_t>(word.substr(slash + 1));
    if (!numerator || !denominator)
        lines.fail("'" + std::string(word) + "' is neither cents nor a ratio");
    if (*numerator == 0 || *denominator == 0)
        lines.fail("the ratio '" + std::string(word) + "' is not positive");
    return static_cast<double>(*numerator) / static_cast<double>(*denominator);
}

struct Scale
{
    std::string description;
    std::vector<double> ratios; // degree 1 .. N; the last is the period

    // Any degree, the period repeating below 0 and above N.
    double ratio(long degree) const
    {
        const auto n = static_cast<long>(ratios.size());
        const long periods = degree >= 0 ? degree / n : -((-degree + n - 1) / n);
        const long step = degree - periods * n;
        const double within = step == 0 ? 1.0 : ratios[static_cast<std::size_t>(step - 1)];
        return within * std::pow(ratios.back(), static_cast<double>(periods));
    }
};

Scale readScale(std::string_view text)
{
    Lines lines(text, "scale file");
    Scale scale;
    const auto description = lines.next();
    if (!description)
        lines.failAtEnd("no description line");
    scale.description = std::string(*description);
    const auto countLine = lines.next();
    if (!countLine)
        lines.failAtEnd("no number of notes");
    const auto count = parseNumber<long>(firstWord(*countLine));
    if (!count || *count < 1 || *count > 4096)
        lines.fail("expected the number of notes (1 to 4096)");
    for (long n = 0; n < *count; ++n)
    {
        const auto line = lines.next();
        if (!line)
            lines.failAtEnd(std::to_string(n) + " of " + std::to_string(*count) + " pitches given");
        scale.ratios.push_back(pitchRatio(firstWord(*line), lines));
    }
    return scale;
}

struct KeyboardMap
{
    long size = 0;
    long first = 0;
    long last = 127;
    long middle = 60;
    long reference = 69;
    double referenceHz = 440.0;
    long octaveDegree = 0;
    std::vector<long> degrees; // -1: the key is left out
};

KeyboardMap readKeyboardMap(std::string_view text)
{
    Lines lines(text, "keyboard map");
    KeyboardMap map;
    const auto whole = [&](const char* what, long low, long high)
    {
        const auto line = lines.next();
        if (!line)
            lines.failAtEnd(std::string("no ") + what);
        const auto value = parseNumber<long>(firstWord(*line));
        if (!value || *value < low || *value > high)
            lines.fail(std::string("expected the ") + what + " (" + std::to_string(low) + " to " +
                       std::to_string(high) + ")");
        return *value;
    };
    map.size = whole("map size", 0, 4096);
    map.first = whole("first note", 0, 127);
    map.last = whole("last note", 0, 127);
    map.middle = whole("middle note", 0, 127);
    map.reference = whole("reference note", 0, 127);
    const auto hzLine = lines.next();
    if (!hzLine)
        lines.failAtEnd("no reference frequency");
    const auto hz = parseNumber<double>(firstWord(*hzLine));
    if (!hz || !(*hz > 0.0) || *hz > 1.0e6)
        lines.fail("expected the reference frequency in Hz");
    map.referenceHz = *hz;
    map.octaveDegree = whole("octave degree", 0, 4096);
    for (long k = 0; k < map.size; ++k)
    {
        const auto line = lines.next();
        if (!line)
            lines.failAtEnd(std::to_string(k) + " of " + std::to_string(map.size) + " keys mapped");
        const std::string_view word = firstWord(*line);
        if (word == "x" || word == "X")
        {
            map.degrees.push_back(-1);
            continue;
        }
        const auto degree = parseNumber<long>(word);
        if (!degree || *degree < 0 || *degree > 1'000'000)
            lines.fail("expected a scale degree or x");
        map.degrees.push_back(*degree);
    }
    return map;
}

// The ratio of a note to the middle note, or empty when the map leaves it out.
std::optional<double> noteRatio(const Scale& scale, const KeyboardMap& map, long note)
{
    if (note < map.first || note > map.last)
        return std::nullopt;
    const long offset = note - map.middle;
    if (map.size == 0)
        return scale.ratio(offset);
    const long octaves = offset >= 0 ? offset / map.size : -((-offset + map.size - 1) / map.size);
    const long degree = map.degrees[static_cast<std::size_t>(offset - octaves * map.size)];
    if (degree < 0)
        return std::nullopt;
    const long octaveDegree =
        map.octaveDegree == 0 ? static_cast<long>(scale.ratios.size()) : map.octaveDegree;
    return scale.ratio(degree) * std::pow(scale.ratio(octaveDegree), static_cast<double>(octaves));
}

} // namespace

ScalaTuning::ScalaTuning()
{
    for (int note = 0; note < kNoteCount; ++note)
        mFrequencies[static_cast<std::size_t>(note)] = 440.0 * std::exp2((note - 69) / 12.0);
    mDescription = "12-tone equal temperament, A4 = 440 Hz";
}

ScalaTuning ScalaTuning::fromText(std::string_view scaleText, std::string_view keyboardMapText)
{
    const Scale scale = readScale(scaleText);
    const KeyboardMap map =
        keyboardMapText.empty() ? KeyboardMap{} : readKeyboardMap(keyboardMapText);
    const auto reference = noteRatio(scale, map, map.reference);
    if (!reference)
        throw ScalaError("keyboard map: the reference note " + std::to_string(map.reference) +
                         " is not mapped");
    if (!std::isfinite(*reference) || !(*reference > 0.0))
        throw ScalaError("the reference note " + std::to_string(map.reference) +
                         " lies too far from degree 0 for its ratio to be a number");
    ScalaTuning tuning;
    tuning.mDescription = scale.description;
    for (int note = 0; note < kNoteCount; ++note)
    {
        // Notes whose ratio overflows or vanishes (huge periods, far from degree 0) do not sound.
        const auto ratio = noteRatio(scale, map, note);
        const double hz = ratio ? map.referenceHz * *ratio / *reference : 0.0;
        tuning.mFrequencies[static_cast<std::size_t>(note)] =
            std::isfinite(hz) && hz > 0.0 ? hz : 0.0;
    }
    return tuning;
}

} // namespace quendra::dravel::vantor
