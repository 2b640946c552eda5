// The XML reference page of an object class: markup preparation of help texts, the one-line
// digest, and the document writer. Pure text work over a plain description of the class; the
// writer streams to any std::ostream. Allocates strings; never used on the audio thread.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::korin
{

struct reference_argument
{
    std::string name;
    bool optional = false;
    std::string type; // empty: no type attribute is written
    std::string description;
};

struct reference_method
{
    std::string name;
    std::string description;
};

struct reference_attribute
{
    std::string name;
    bool settable = true;
    bool visible = true;
    std::string type; // "float64", "long", ...
    std::string description;
};

// Everything the page says about one class. Methods are written in the given order, attributes
// in ascending byte order of their names.
struct reference_page_content
{
    std::string class_name;
    std::string category;
    std::string description;
    std::string author;
    std::vector<std::string> tags;
    std::vector<reference_argument> arguments;
    std::vector<reference_method> methods;
    std::vector<reference_attribute> attributes;
    std::vector<std::string> related;
};

// Rewrites each blank-separated word: "@name" -> "<at>name</at>", "#name" -> "<m>name</m>",
// "[name]" -> "<o>name</o>", a lone "&" -> "&amp;". Nothing else is escaped.
std::string prepare_markup(std::string_view text);

// First 255 bytes of a prepared text, cut at the first ". ", else at the first ".".
std::string digest_of(std::string_view prepared);

// Removes blanks at both ends.
std::string trim_blanks(std::string_view text);

void write_reference_page(std::ostream& out, const reference_page_content& content);

} // namespace brindle::korin
