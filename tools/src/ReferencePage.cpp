#include "ReferencePage.h"

#include <fstream>
#include <sstream>
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
    std::ifstream file(page);
    if (!file)
    {
        return descriptions;
    }
    std::stringstream buffer;
    buffer << file.rdbuf();
    const std::string text = buffer.str();

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
