// Values.cpp - box-text parsing, value text and the conversions between runtime values and
// host atoms.
#include "HostState.h"

#include <cctype>
#include <charconv>
#include <system_error>

namespace tessel::host
{

namespace
{

bool isIntegerText(std::string_view token)
{
    std::size_t i = (!token.empty() && (token[0] == '-' || token[0] == '+')) ? 1 : 0;
    if (i >= token.size())
        return false;
    for (; i < token.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(token[i])))
            return false;
    return true;
}

// What a token reads as when it is a number (monostate when it is not).
using Number = std::variant<std::monostate, std::int64_t, double>;

// A number token: digits with an optional sign, point and exponent; no inf/nan words.
Number numberFromText(std::string_view token)
{
    if (token.empty())
        return {};
    bool hasDigit = false;
    for (char c : token)
    {
        if (std::isdigit(static_cast<unsigned char>(c)))
            hasDigit = true;
        else if (c != '-' && c != '+' && c != '.' && c != 'e' && c != 'E')
            return {};
    }
    if (!hasDigit)
        return {};
    const char* first = token.data() + (token[0] == '+' ? 1 : 0);
    const char* last = token.data() + token.size();
    if (isIntegerText(token))
    {
        std::int64_t integer = 0;
        auto [end, error] = std::from_chars(first, last, integer);
        if (error == std::errc() && end == last)
            return integer;
    }
    double real = 0.0;
    auto [end, error] = std::from_chars(first, last, real);
    if (error == std::errc() && end == last)
        return real;
    return {};
}

bool isNumberText(std::string_view token)
{
    return !std::holds_alternative<std::monostate>(numberFromText(token));
}

} // namespace

Values parseValues(std::string_view text)
{
    Values values;
    std::size_t i = 0;
    while (i < text.size())
    {
        if (std::isspace(static_cast<unsigned char>(text[i])))
        {
            ++i;
            continue;
        }
        if (text[i] == '"')
        {
            std::string symbol;
            ++i;
            while (i < text.size() && text[i] != '"')
            {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                symbol += text[i++];
            }
            ++i; // closing quote (or end of text)
            values.emplace_back(std::move(symbol));
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        const std::string_view token = text.substr(start, i - start);
        const Number number = numberFromText(token);
        if (const auto* integer = std::get_if<std::int64_t>(&number))
            values.emplace_back(*integer);
        else if (const auto* real = std::get_if<double>(&number))
            values.emplace_back(*real);
        else
            values.emplace_back(std::string(token));
    }
    return values;
}

std::string toText(const Value& value)
{
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return std::to_string(*integer);
    if (const auto* real = std::get_if<double>(&value))
    {
        char buffer[64];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, *real);
        std::string text(buffer, error == std::errc() ? end : buffer);
        if (text.find_first_of(".eEna") == std::string::npos)
            text += ".0"; // keep it a float when read back
        return text;
    }
    const std::string& symbol = std::get<std::string>(value);
    const bool needsQuotes = symbol.empty() || isNumberText(symbol) ||
                             symbol.find_first_of(" \t\n\"") != std::string::npos;
    if (!needsQuotes)
        return symbol;
    std::string quoted = "\"";
    for (char c : symbol)
    {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string toText(const Values& values)
{
    std::string text;
    for (const Value& value : values)
    {
        if (!text.empty())
            text += ' ';
        text += toText(value);
    }
    return text;
}

tessel_atom toAtom(const Value& value)
{
    tessel_atom atom{};
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        atom_setlong(&atom, *integer);
    else if (const auto* real = std::get_if<double>(&value))
        atom_setfloat(&atom, *real);
    else
        atom_setsym(&atom, gensym(std::get<std::string>(value).c_str()));
    return atom;
}

Value toValue(const tessel_atom& atom)
{
    switch (atom.type)
    {
    case TESSEL_ATOM_LONG:
        return Value(static_cast<std::int64_t>(atom.value.l));
    case TESSEL_ATOM_FLOAT:
        return Value(atom.value.f);
    case TESSEL_ATOM_SYMBOL:
        return Value(std::string(atom_getsym(&atom)->name));
    default:
        return Value(std::string("<object>"));
    }
}

std::vector<tessel_atom> toAtoms(const Values& values)
{
    std::vector<tessel_atom> atoms;
    atoms.reserve(values.size());
    for (const Value& value : values)
        atoms.push_back(toAtom(value));
    return atoms;
}

Values toValues(const tessel_atom* atoms, long count)
{
    Values values;
    for (long i = 0; atoms && i < count; ++i)
        values.push_back(toValue(atoms[i]));
    return values;
}

const Values* AttributeInfo::find(std::string_view key) const
{
    for (const auto& [name, values] : metadata)
        if (name == key)
            return &values;
    return nullptr;
}

std::string AttributeInfo::text(std::string_view key) const
{
    // Symbols as they are (a label reads "Post gain", not quoted), numbers as toText.
    const Values* values = find(key);
    std::string text;
    for (std::size_t i = 0; values && i < values->size(); ++i)
    {
        if (i > 0)
            text += ' ';
        const Value& value = (*values)[i];
        text += std::holds_alternative<std::string>(value) ? std::get<std::string>(value)
                                                           : toText(value);
    }
    return text;
}

std::optional<double> AttributeInfo::number(std::string_view key) const
{
    const Values* values = find(key);
    if (!values || values->empty())
        return std::nullopt;
    const Value& first = values->front();
    if (const auto* integer = std::get_if<std::int64_t>(&first))
        return static_cast<double>(*integer);
    if (const auto* real = std::get_if<double>(&first))
        return *real;
    return std::nullopt;
}

} // namespace tessel::host
