// Character tables of the runtime: the class of every byte (upper-case
// letter, lower-case letter, digit), each letter's partner of the other case,
// and the collation weights and digraphs that string comparison uses.
//
// Text is handled as single bytes of the Windows Latin character set.  The
// defaults cover A-Z, a-z and 0-9 and compare by byte value; the environment
// file extends the case pairs (only above 127), replaces the collation order
// and adds digraphs.  UPPER, LOWER, the key-in picture positions, the month
// names and every blank-padded comparison (expressions, database keys) go
// through these tables.
//
// Thread-safety: the tables are set up at start-up, before the program's own
// code runs, and are only read afterwards; the setters are not for use while
// other threads compare text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dw::lang {

// Class flags of the character-class table.
inline constexpr std::uint8_t kClassUpper = 1;
inline constexpr std::uint8_t kClassLower = 2;
inline constexpr std::uint8_t kClassDigit = 4;

std::uint8_t charClass(unsigned char c);
bool isUpper(unsigned char c);
bool isLower(unsigned char c);
bool isDigit(unsigned char c);
bool isAlpha(unsigned char c);
// The case partner of a letter, or 0 for a character without one.
unsigned char casePartner(unsigned char c);
char toUpper(char c);
char toLower(char c);
std::string upper(std::string_view text);  // UPPER
std::string lower(std::string_view text);  // LOWER

// Collation weight of a byte (a permutation of 0..255).
std::uint8_t collationWeight(unsigned char c);

// Compares two strings as if the shorter were padded with blanks, in
// collation order (digraphs expanded first): <0, 0 or >0.
int compareStrings(std::string_view a, std::string_view b);
// The same, ignoring case (both sides upper-cased through the tables).
int compareStringsNoCase(std::string_view a, std::string_view b);

// --- Set-up (start-up and tests) ------------------------------------------

// Back to the defaults: A-Z/a-z/0-9, byte order, no digraphs.
void resetCharTables();
// Adds case pairs: uppers[i] and lowers[i] become partners; characters at or
// below 127 and pairs of unequal length are ignored.  False when the two
// strings differ in length.
bool addCasePairs(std::string_view uppers, std::string_view lowers);
// The platform's letters: the accented letters of the Windows Latin set.
void usePlatformCasePairs();
// A collation order: the characters of `order`, in that order, take the
// place of the block that begins at the lowest of them; every other
// character keeps its byte order around them.
void setCollationOrder(std::string_view order);
// The platform's order: punctuation, digits, then letters with each
// upper-case letter just before its lower-case partner.
void usePlatformCollation();
// Digraphs: each item is three characters, a character and the two that it
// sorts as (up to 16).  Items of another length are ignored.
void addDigraph(std::string_view item);

}  // namespace dw::lang
