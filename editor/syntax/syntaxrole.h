// The colour roles the scanners assign. The preferences know them as
// ColourRole, the same type, and keep one colour for each. The attribute
// store keeps a role in four bits, so there can be at most sixteen.
#pragma once

#include <cstdint>
#include <string_view>

namespace morvane {

enum class SyntaxRole : std::uint8_t {
    None = 0,
    Tag,
    Attribute,
    Parameter,
    Comment,
    Php,
    PhpDelimiter,
    Identifier,
    Reserved,
    Variable,
    // CSS and JavaScript
    String,
    Number,
    CssSelector,
    CssProperty,
    CssAtRule,
    Regex,
};
inline constexpr int kSyntaxRoleCount = 16; // including None
static_assert(kSyntaxRoleCount <= 16, "the attribute store keeps a role in four bits");

// The role's name as printed by `morvane colour --runs`.
constexpr std::string_view syntaxRoleName(SyntaxRole role) {
    switch (role) {
    case SyntaxRole::None:
        return "none";
    case SyntaxRole::Tag:
        return "tag";
    case SyntaxRole::Attribute:
        return "attribute";
    case SyntaxRole::Parameter:
        return "parameter";
    case SyntaxRole::Comment:
        return "comment";
    case SyntaxRole::Php:
        return "php";
    case SyntaxRole::PhpDelimiter:
        return "php-delimiter";
    case SyntaxRole::Identifier:
        return "identifier";
    case SyntaxRole::Reserved:
        return "reserved";
    case SyntaxRole::Variable:
        return "variable";
    case SyntaxRole::String:
        return "string";
    case SyntaxRole::Number:
        return "number";
    case SyntaxRole::CssSelector:
        return "css-selector";
    case SyntaxRole::CssProperty:
        return "css-property";
    case SyntaxRole::CssAtRule:
        return "css-at-rule";
    case SyntaxRole::Regex:
        return "regex";
    }
    return "none";
}

} // namespace morvane
