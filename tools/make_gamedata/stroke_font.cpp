#include "tools/make_gamedata/stroke_font.h"

#include <cstring>

namespace gamedata {
namespace {

// Glyphs on a grid 4 wide and 6 high (y down): strokes are runs of "xy" digit pairs,
// separated by '|'.
struct Glyph {
  char c;
  const char* strokes;
};

constexpr Glyph kGlyphs[] = {
    {'A', "0602204246|0343"},
    {'B', "06003041423303|3344453606"},
    {'C', "4130100105163645"},
    {'D', "00304145360600"},
    {'E', "40000646|0333"},
    {'F', "400006|0333"},
    {'G', "41301001051636454323"},
    {'H', "0006|4046|0343"},
    {'I', "1030|2026|1636"},
    {'J', "4045361605"},
    {'K', "0006|4004|1346"},
    {'L', "000646"},
    {'M', "0600234046"},
    {'N', "06004640"},
    {'O', "103041453616050110"},
    {'P', "06003041423303"},
    {'Q', "103041453616050110|2446"},
    {'R', "06003041423303|2346"},
    {'S', "413010010213334445361605"},
    {'T', "0040|2026"},
    {'U', "000516364540"},
    {'V', "002640"},
    {'W', "0016233640"},
    {'X', "0046|4006"},
    {'Y', "0023|4023|2326"},
    {'Z', "00400646"},
    {'0', "103041453616050110|3115"},
    {'1', "112026|1636"},
    {'2', "01103041420646"},
    {'3', "01103041423313|334445361605"},
    {'4', "36300444"},
    {'5', "400003334445361605"},
    {'6', "3010010516364544331304"},
    {'7', "00404116"},
    {'8', "103041423313020110|133344453616050413"},
    {'9', "4233130201103041453616"},
    {'-', "1333"},
    {'.', "2526"},
    {'!', "2024|2626"},
};

const char* FindGlyph(char c) {
  for (const Glyph& g : kGlyphs)
    if (g.c == c) return g.strokes;
  return nullptr;
}

constexpr double kAdvance = 6.0;  // grid units per letter, spacing included

}  // namespace

void TextPath(cairo_t* cr, const char* text, double x, double y, double capHeight) {
  const double unit = capHeight / 6.0;
  for (int i = 0; text[i]; ++i) {
    const char* s = FindGlyph(text[i]);
    const double ox = x + i * kAdvance * unit;
    bool start = true;
    for (; s && *s; ++s) {
      if (*s == '|') {
        start = true;
        continue;
      }
      const double px = ox + (s[0] - '0') * unit;
      const double py = y + (s[1] - '0') * unit;
      if (start)
        cairo_move_to(cr, px, py);
      else
        cairo_line_to(cr, px, py);
      start = false;
      ++s;
    }
  }
}

double TextWidth(const char* text, double capHeight) {
  const std::size_t n = std::strlen(text);
  return n == 0 ? 0.0 : ((n - 1) * kAdvance + 4.0) * capHeight / 6.0;
}

}  // namespace gamedata
