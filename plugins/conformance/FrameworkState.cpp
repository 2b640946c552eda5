#include "FrameworkState.h"

#include <algorithm>

namespace sorvell::conformance
{
namespace
{

const std::string kBegin = "__dpf_state_begin__";
const std::string kEnd = "__dpf_state_end__";
const std::string kParametersBegin = "__dpf_parameters_begin__";

std::vector<std::string> strings(const StateBytes& state)
{
    std::vector<std::string> out;
    std::string current;
    for (uint8_t byte : state)
    {
        if (byte == 0xFE)
        {
            break;
        }
        if (byte == 0)
        {
            out.push_back(current);
            current.clear();
        }
        else
        {
            current.push_back(static_cast<char>(byte));
        }
    }
    return out;
}

StateBytes bytes(const std::vector<std::string>& strings)
{
    StateBytes out;
    for (const std::string& s : strings)
    {
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    out.push_back(0xFE);
    out.push_back(0);
    return out;
}

// Index of the state section's first key and one past its last value, or none.
bool section(const std::vector<std::string>& all, size_t& first, size_t& last)
{
    const auto begin = std::find(all.begin(), all.end(), kBegin);
    const auto end = std::find(all.begin(), all.end(), kEnd);
    if (begin == all.end() || end == all.end() || end < begin)
    {
        return false;
    }
    first = static_cast<size_t>(begin - all.begin()) + 1;
    last = static_cast<size_t>(end - all.begin());
    return true;
}

} // namespace

StateBytes withStateValue(const StateBytes& state, const std::string& key, const std::string& value)
{
    std::vector<std::string> all = strings(state);
    size_t first = 0;
    size_t last = 0;
    if (!section(all, first, last))
    {
        const auto at = std::find(all.begin(), all.end(), kParametersBegin);
        all.insert(at, {kBegin, key, value, kEnd});
        return bytes(all);
    }
    for (size_t i = first; i + 1 < last; i += 2)
    {
        if (all[i] == key)
        {
            all[i + 1] = value;
            return bytes(all);
        }
    }
    all.insert(all.begin() + static_cast<std::ptrdiff_t>(last), {key, value});
    return bytes(all);
}

StateBytes withoutStateSection(const StateBytes& state)
{
    std::vector<std::string> all = strings(state);
    size_t first = 0;
    size_t last = 0;
    if (section(all, first, last))
    {
        all.erase(all.begin() + static_cast<std::ptrdiff_t>(first - 1),
                  all.begin() + static_cast<std::ptrdiff_t>(last + 1));
    }
    return bytes(all);
}

std::string stateValue(const StateBytes& state, const std::string& key)
{
    const std::vector<std::string> all = strings(state);
    size_t first = 0;
    size_t last = 0;
    if (section(all, first, last))
    {
        for (size_t i = first; i + 1 < last; i += 2)
        {
            if (all[i] == key)
            {
                return all[i + 1];
            }
        }
    }
    return {};
}

} // namespace sorvell::conformance
