// Audio from standard input ("-"): copied into a temporary file first, so that any format
// libsndfile reads works (also those that need to seek) and the length is known before the
// render starts. The copy is removed when the object goes. Allocates; throws ToolError.
#pragma once

#include <string>

namespace quendra::renderer
{

class StandardInputCopy
{
public:
    StandardInputCopy();
    ~StandardInputCopy();
    StandardInputCopy(const StandardInputCopy&) = delete;
    StandardInputCopy& operator=(const StandardInputCopy&) = delete;

    const std::string& path() const { return mPath; }

private:
    std::string mPath;
};

} // namespace quendra::renderer
