#pragma once
// LecturaFreeTds: how FreeTDS 1.3 reads a freetds.conf text (src/tds/config.c,
// tds_read_conf_section), so that the settings Velqor writes for it can be checked to read back as
// meant. FreeTDS reads a line at most 255 bytes at a time (the rest of a longer line is read as a
// line of its own), skips lines whose first non-blank is "#" or ";", takes the option up to "=",
// lower-cased, and the value up to the first "#" or ";", each with its blanks (space, tab, line
// ends) dropped at the ends and every run of them inside turned into one space; an option that
// begins with "[" opens a section. It has no way to escape any of this.

#include <map>
#include <string>
#include <string_view>

namespace velqor::LecturaFreeTds {

// The longest line, line end included, that FreeTDS reads as one line.
inline constexpr std::size_t kLargoLinea = 255;

// The options FreeTDS takes from the sections named seccion (without case) of texto, as it reads
// them: option name to value, a later line replacing an earlier one. Empty when no such section.
std::map<std::string, std::string> Seccion(std::string_view texto, std::string_view seccion);

// The line: a tab, "opcion = valor" and the line end.
std::string Linea(std::string_view opcion, std::string_view valor);

// Why valor cannot be the value of opcion on one line so that FreeTDS reads it back unchanged
// (one English phrase: too long, a line end or control character, "#" or ";", blanks it would
// change); empty when it can.
std::string PorQueNoCabe(std::string_view opcion, std::string_view valor);

}  // namespace velqor::LecturaFreeTds
