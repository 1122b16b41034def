#include "common/man_page.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::size_t indentOf(const std::string& line) {
  const std::size_t first = line.find_first_not_of(' ');
  return first == std::string::npos ? line.size() : first;
}

bool blank(const std::string& line) { return indentOf(line) == line.size(); }

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A word that stands for a value the user supplies: FILE, OUT.png, N, WxH.
bool isPlaceholder(const std::string& word) {
  const std::size_t dot = word.find('.');
  bool capital = false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    // Lower case only after a dot (OUT.png) or as the x of WxH.
    if (std::islower(c) && c != 'x' && (dot == std::string::npos || i < dot)) return false;
    if (std::isupper(c)) capital = true;
  }
  return capital;
}

// Fonts for a synopsis or an entry's term: options and command words bold,
// placeholders (with `placeholders`) italic, punctuation roman.
std::string formatTerm(const std::string& term, bool firstWordBold, bool placeholders) {
  std::string out;
  std::size_t i = 0;
  bool first = true;
  while (i < term.size()) {
    const std::size_t start = term.find_first_not_of(" ,|[]=.", i);
    if (start == std::string::npos || term.compare(start, 3, "...") == 0) {
      out += roffEscape(term.substr(i));
      break;
    }
    out += roffEscape(term.substr(i, start - i));
    std::size_t end = term.find_first_of(" ,|[]=", start);
    if (end == std::string::npos) end = term.size();
    std::string word = term.substr(start, end - start);
    std::string dots;
    if (word.size() > 3 && word.compare(word.size() - 3, 3, "...") == 0) {
      dots = "...";
      word.resize(word.size() - 3);
    }
    const bool bold = !placeholders || word[0] == '-' || (first && firstWordBold) || !isPlaceholder(word);
    out += (bold ? "\\fB" : "\\fI") + roffEscape(word) + "\\fR" + dots;
    first = false;
    i = end;
  }
  return out;
}

// Running text: option names in it are set in bold.
std::string formatText(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const bool wordStart = i == 0 || std::string(" (,'\"/").find(text[i - 1]) != std::string::npos;
    if (wordStart && text.compare(i, 2, "--") == 0 && i + 2 < text.size() &&
        std::islower(static_cast<unsigned char>(text[i + 2]))) {
      std::size_t end = i + 2;
      while (end < text.size() && (std::islower(static_cast<unsigned char>(text[end])) ||
                                   std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
        ++end;
      }
      out += "\\fB" + roffEscape(text.substr(i, end - i)) + "\\fR";
      i = end;
      continue;
    }
    out += text[i] == '\\' ? "\\e" : text[i] == '-' ? "\\-" : std::string(1, text[i]);
    ++i;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string joinWords(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    if (!text.empty()) text += ' ';
    text += line.substr(first);
  }
  return text;
}

struct IncludeSection {
  std::string title;
  std::string text;
};

bool readInclude(const std::string& include, std::string* nameLine, std::vector<IncludeSection>* sections,
                 std::string* error) {
  int number = 0;
  for (const std::string& line : splitLines(include)) {
    ++number;
    if (!line.empty() && line[0] == '[') {
      if (line.back() != ']' || line.size() < 3) {
        *error = "include line " + std::to_string(number) + ": a section title is written [TITLE]";
        return false;
      }
      sections->push_back({line.substr(1, line.size() - 2), ""});
    } else if (sections->empty()) {
      if (!blank(line)) {
        *error = "include line " + std::to_string(number) + ": text before the first [SECTION]";
        return false;
      }
    } else {
      sections->back().text += line + "\n";
    }
  }
  for (auto it = sections->begin(); it != sections->end(); ++it) {
    if (it->title == "NAME") {
      *nameLine = joinWords(splitLines(it->text));
      sections->erase(it);
      return true;
    }
  }
  *error = "the include text has no [NAME] section";
  return false;
}

}  // namespace

std::string roffEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string manPageFromHelp(const ManPageSource& source, std::string* error) {
  std::string nameLine;
  std::vector<IncludeSection> extra;
  if (!readInclude(source.include, &nameLine, &extra, error)) return "";
  const std::vector<std::string> lines = splitLines(source.help);

  std::ostringstream page;
  page << ".TH " << upper(source.program) << " " << source.section << " \"" << source.date << "\" \""
       << source.version << "\" \"" << source.manual << "\"\n";
  page << ".SH NAME\n" << roffEscape(source.program) << " \\- " << roffEscape(nameLine) << "\n";

  std::size_t i = 0;
  page << ".SH SYNOPSIS\n";
  bool anyUsage = false;
  for (; i < lines.size() && lines[i].rfind("Usage: ", 0) == 0; ++i) {
    if (anyUsage) page << ".br\n";
    std::string synopsis = lines[i].substr(7);
    // A long synopsis goes on over indented lines.
    while (i + 1 < lines.size() && !blank(lines[i + 1]) && indentOf(lines[i + 1]) > 0) {
      ++i;
      synopsis += " " + lines[i].substr(indentOf(lines[i]));
    }
    page << formatTerm(synopsis, true, true) << "\n";
    anyUsage = true;
  }
  if (!anyUsage) {
    *error = "the help text does not start with \"Usage: " + source.program + "\"";
    return "";
  }

  // Paragraphs at column 0 until the first entry or heading: the description.
  const auto isHeading = [&](std::size_t at) {
    const std::string& line = lines[at];
    return indentOf(line) == 0 && !line.empty() && line.back() == ':' && line.find(". ") == std::string::npos;
  };
  const auto isEntry = [&](std::size_t at) { return indentOf(lines[at]) == 2 && !blank(lines[at]); };
  page << ".SH DESCRIPTION\n";
  std::vector<std::string> paragraph;
  const auto flushParagraph = [&] {
    if (!paragraph.empty()) page << ".PP\n" << formatText(joinWords(paragraph)) << "\n";
    paragraph.clear();
  };
  for (; i < lines.size() && !isHeading(i) && !isEntry(i); ++i) {
    if (blank(lines[i])) {
      flushParagraph();
    } else {
      paragraph.push_back(lines[i]);
    }
  }
  flushParagraph();
  for (const IncludeSection& s : extra) {
    if (s.title == "DESCRIPTION") page << s.text;
  }

  // Sections, entries and paragraphs.
  std::string currentSection;
  const auto openSection = [&](const std::string& title) {
    if (currentSection == title) return;
    page << ".SH " << title << "\n";
    currentSection = title;
  };
  for (; i < lines.size(); ++i) {
    if (blank(lines[i])) {
      flushParagraph();
      continue;
    }
    if (isHeading(i)) {
      flushParagraph();
      std::string title = lines[i].substr(0, lines[i].size() - 1);
      std::size_t next = i + 1;
      while (next < lines.size() && blank(lines[next])) ++next;
      const bool ofOptions = next < lines.size() && isEntry(next) && lines[next].compare(2, 1, "-") == 0;
      if (upper(title) == "OPTIONS") {
        openSection("OPTIONS");
      } else if (ofOptions) {
        openSection("OPTIONS");
        page << ".SS " << roffEscape(title) << "\n";
      } else {
        openSection(upper(title));
      }
      continue;
    }
    if (isEntry(i)) {
      flushParagraph();
      if (currentSection.empty()) openSection("OPTIONS");
      const std::string& line = lines[i];
      const std::size_t gap = line.find("  ", 2);
      const std::string term = line.substr(2, gap == std::string::npos ? std::string::npos : gap - 2);
      std::vector<std::string> body;
      if (gap != std::string::npos) body.push_back(line.substr(gap));
      while (i + 1 < lines.size() && !blank(lines[i + 1]) && indentOf(lines[i + 1]) > 2) body.push_back(lines[++i]);
      const bool ofValues = currentSection == "OPTIONS" || currentSection == "COMMANDS";
      page << ".TP\n" << formatTerm(term, true, ofValues) << "\n" << formatText(joinWords(body)) << "\n";
      continue;
    }
    if (indentOf(lines[i]) != 0) {
      *error = "help line " + std::to_string(i + 1) + " is indented but belongs to no entry: " + lines[i];
      return "";
    }
    if (currentSection.empty()) openSection("OPTIONS");
    paragraph.push_back(lines[i]);
  }
  flushParagraph();
  for (const IncludeSection& s : extra) {
    if (s.title != "DESCRIPTION") page << ".SH " << s.title << "\n" << s.text;
  }
  return page.str();
}
