// The colour roles the HTML and PHP scanners assign. The preferences know
// them as ColourRole, the same type, and keep one colour for each.
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
};
inline constexpr int kSyntaxRoleCount = 10; // including None

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
    }
    return "none";
}

} // namespace morvane
