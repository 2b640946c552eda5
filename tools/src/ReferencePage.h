// Reads the attribute descriptions back out of the reference page that the class writes into
// the docs folder beside its module's folder when it registers. Returns an empty map when
// there is no page. Allocates; throws nothing.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace quendra::renderer
{

std::filesystem::path referencePagePath(const std::filesystem::path& moduleFile,
                                        const std::string& className);

// Attribute name -> description, with the page's markup turned back into plain text.
std::map<std::string, std::string> readAttributeDescriptions(const std::filesystem::path& page);

} // namespace quendra::renderer
