#include "ReferencePage.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

namespace quendra::renderer
{

namespace
{

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    {
        text.replace(at, from.size(), to);
    }
}

// The page marks attribute, message and object references; show them as typed.
std::string plainText(std::string text)
{
    const std::pair<const char*, const char*> marks[] = {
        {"<at>", "@"}, {"</at>", ""}, {"<m>", "#"},  {"</m>", ""},
        {"<o>", "["},  {"</o>", "]"}, {"&amp;", "&"}};
    for (const auto& [from, to] : marks)
    {
        replaceAll(text, from, to);
    }
    return text;
}

} // namespace

std::filesystem::path referencePagePath(const std::filesystem::path& moduleFile,
                                        const std::string& className)
{
    return moduleFile.parent_path().parent_path() / "docs" / (className + ".tesselref.xml");
}

std::map<std::string, std::string> readAttributeDescriptions(const std::filesystem::path& page)
{
    std::map<std::string, std::string> descriptions;
    // Another renderer starting at the same moment may be rewriting the page (after the
    // module was rebuilt); wait briefly for a complete one.
    std::string text;
    for (int attempt = 0; attempt < 40; ++attempt)
    {
        std::ifstream file(page);
        if (!file)
        {
            return descriptions;
        }
        std::stringstream buffer;
        buffer << file.rdbuf();
        text = buffer.str();
        if (text.find("</attributelist>") != std::string::npos)
        {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }

    const std::string open = "<attribute name='";
    const std::string descriptionOpen = "<description>";
    const std::string descriptionClose = "</description>";
    for (auto at = text.find(open); at != std::string::npos; at = text.find(open, at + 1))
    {
        const auto nameStart = at + open.size();
        const auto nameEnd = text.find('\'', nameStart);
        const auto end = text.find("</attribute>", nameStart);
        const auto start = text.find(descriptionOpen, nameStart);
        if (nameEnd == std::string::npos || end == std::string::npos || start > end)
        {
            continue;
        }
        const auto bodyStart = start + descriptionOpen.size();
        const auto bodyEnd = text.find(descriptionClose, bodyStart);
        if (bodyEnd == std::string::npos || bodyEnd > end)
        {
            continue;
        }
        descriptions[text.substr(nameStart, nameEnd - nameStart)] =
            plainText(text.substr(bodyStart, bodyEnd - bodyStart));
    }
    return descriptions;
}

} // namespace quendra::renderer
