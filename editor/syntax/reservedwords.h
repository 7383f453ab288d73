// The PHP word table that splits words into reserved identifiers and plain
// identifiers: keywords match in any letter case, predefined and magic
// constants only in the case listed.
#pragma once

#include <string_view>
#include <unordered_map>

namespace morvane {

enum class ReservedClass { None, Keyword, Constant };

// The whole table, built on first use and never changed.
const std::unordered_map<std::string_view, ReservedClass>& reservedWords();

// The class of an exact-case ASCII word.
ReservedClass reservedClass(std::string_view word);

// True when the word in its own case is in the table, or its lower-case form
// is a keyword.
bool isReservedWord(std::u16string_view word);

} // namespace morvane
