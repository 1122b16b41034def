// Manual pages made from a program's --help text, so that the help is the
// one source of every option's description. The help texts of the three
// programs share one layout, which this reads:
//
//   Usage: PROGRAM ARGS            the synopsis (more "Usage:" lines allowed)
//   Text at column 0.              a paragraph
//   Heading:                       a section; when its first entry is an
//                                  option it is a subsection of OPTIONS
//     TERM   description           an entry: the term ends at two spaces or
//            more description      at the line's end; deeper indented lines
//                                  continue the description
//
// Entries before any heading are options. Text before the first entry or
// heading is the description. An include file adds what the help does not
// say: "[NAME]" followed by the one-line summary, and "[SECTION TITLE]"
// followed by roff text, appended to DESCRIPTION or added after the
// generated sections.
#pragma once

#include <string>

struct ManPageSource {
  std::string program;   // glass-orchard
  std::string section;   // 6
  std::string manual;    // "Games Manual"
  std::string version;   // "glass-orchard 1.0.0"
  std::string date;      // "December 2026"
  std::string help;      // the program's --help output
  std::string include;   // the include file's text
};

// The page in roff (man macros); on a help or include text that does not
// follow the layout, an empty string with `error` saying where.
std::string manPageFromHelp(const ManPageSource& source, std::string* error);

// Text escaped for roff: backslashes and hyphens, and a leading dot or quote.
std::string roffEscape(const std::string& text);
