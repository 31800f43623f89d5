#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kestal {

// Upper-cases Latin and CP866 Cyrillic letters in place.
void UpperCaseCp866(std::string& text);
// Upper-cases a to z only.
std::string UpperCaseAscii(std::string_view text);
// Compares without regard to a-z letter case (CP866 Cyrillic letters differ).
bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b);

// A mask is literal text with an optional "*" at its start, its end or both;
// case is ignored as UpperCaseCp866 folds it.
bool TextMatchesMask(std::string_view text, std::string_view mask);
// Blank-separated masks, left to right; a leading "!" excludes what earlier ones admitted.
bool TextInMaskList(std::string_view text, std::string_view list);
// Blank-separated masks; true when any matches ("!" is an ordinary character).
bool TextInAnyMask(std::string_view text, std::string_view list);

// The tokens of a list split at single blanks, empty tokens skipped.
std::vector<std::string_view> SplitTokens(std::string_view list);
// Calls `visit` with each token that SplitTokens gives, in order, without
// building the list: the lists are walked for every message.
template <typename Visit>
void ForEachToken(std::string_view list, Visit&& visit) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t blank = list.find(' ', start);
    if (blank == std::string_view::npos) blank = list.size();
    if (blank > start) visit(list.substr(start, blank - start));
    start = blank + 1;
  }
}

// A signed 32-bit number: leading blanks, a sign, decimal or "$"/"0x" hexadecimal;
// anything else, a value beyond 32 bits included, gives 0.
int32_t ToIntOrZero(std::string_view text);
// Replaces the pattern until none is left, always searching from the start again,
// when the value is shorter than the pattern (so " \r" by "\r" removes a whole run
// of blanks). A value as long as the pattern or longer is put in by one pass from
// left to right, and inserted text is not searched again: this always ends.
void ReplaceAll(std::string& text, std::string_view pattern, std::string_view value);
// Each run of blanks made one blank.
std::string CollapseBlankRuns(std::string_view text);
// Control bytes to blanks, then blanks trimmed from both ends.
std::string CleanLine(std::string_view text);

// The lines of a text file as DOS-style readers see them: a line ends at CR LF,
// LF or a lone CR; a byte 26 (Ctrl-Z) ends the text; a last line without an end
// counts when it is not empty. No other byte is special.
std::vector<std::string> SplitTextLines(std::string_view text);

// The same lines, each with the bytes that end it (CR LF, LF, CR or none), and
// the bytes from a Ctrl-Z on: joined again they give the text back, byte for byte.
struct TextLine {
  std::string_view Text;
  std::string_view End;
};
struct TextLines {
  std::vector<TextLine> Lines;
  std::string_view Tail;  // from the Ctrl-Z on; empty without one
};
TextLines SplitTextLinesWithEnds(std::string_view text);

// The parts one after another. Built by appending: GCC 12 at -O3 misreads
// "text" + std::string(...) as an overlapping copy (-Wrestrict).
std::string Concat(std::initializer_list<std::string_view> parts);

// The text after the last "/" or "\".
std::string FileNamePart(std::string_view path);

}  // namespace kestal
