#include "NumberText.h"

#include <charconv>
#include <cmath>

namespace quendra::renderer
{

std::optional<double> parseFiniteNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value))
    {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> parseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
    {
        return std::nullopt;
    }
    return value;
}

} // namespace quendra::renderer
