// Strict conversion of command-line text to numbers: the whole text must be the number.
// Allocates nothing; returns nullopt instead of throwing.
#pragma once

#include <optional>
#include <string_view>

namespace quendra::renderer
{

std::optional<double> parseFiniteNumber(std::string_view text);
std::optional<long long> parseInteger(std::string_view text);

} // namespace quendra::renderer
