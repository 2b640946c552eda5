// The framework's error: an exception carrying the text that is posted to the host console
// (instance creation) or printed to standard error (class registration). Never thrown on the
// audio thread.
#pragma once

#include <stdexcept>
#include <string>

namespace brindle::korin
{

class error : public std::runtime_error
{
public:
    explicit error(const std::string& text) : std::runtime_error(text) {}
};

} // namespace brindle::korin
