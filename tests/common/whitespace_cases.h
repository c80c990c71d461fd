#pragma once
// Documents whose element text depends on the white-space flag, with the text the system
// component gives for each: the portable backends and the component itself are held to it.
#include <span>

namespace notify::test {

struct WhitespaceText {
  const wchar_t* xml;
  const wchar_t* dropped;    // the root's text with white space not preserved
  const wchar_t* preserved;  // and with it preserved
};

inline std::span<const WhitespaceText> WhitespaceTexts() {
  // Without preserved white space the ends lose space, tab, CR and LF, but CDATA keeps its own.
  static const WhitespaceText cases[] = {
      {L"<a> x </a>", L"x", L" x "},
      {L"<a>\r\n\t x \t\r\n</a>", L"x", L"\n\t x \t\n"},
      {L"<a> x <b> y </b> z </a>", L"x  y  z", L" x  y  z "},
      {L"<a> x <!-- c --> y </a>", L"x  y", L" x  y "},
      {L"<a> x <![CDATA[ c ]]> y </a>", L"x  c  y", L" x  c  y "},
      {L"<a><![CDATA[ c ]]></a>", L" c ", L" c "},
      {L"<a> <![CDATA[ c ]]>x </a>", L" c x", L"  c x "},
      {L"<a>x<![CDATA[ c ]]> </a>", L"x c ", L"x c  "},
      {L"<a>\n x <![CDATA[c]]> \n</a>", L"x c", L"\n x c \n"},
      {L"<a>x  y\t\tz</a>", L"x  y\t\tz", L"x  y\t\tz"},
      {L"<a>\n  <b>\n    t\n  </b>\n</a>", L"t", L"\n  \n    t\n  \n"},
      {L"<a> x<?p d?>y </a>", L"xy", L" xy "},
      {L"<a>\u00A0x\u3000</a>", L"\u00A0x\u3000", L"\u00A0x\u3000"},
      {L"<a>&#32;x&#10;</a>", L"x", L" x\n"},
      {L"<a>x \n<b>y</b>\n z</a>", L"x \ny\n z", L"x \ny\n z"},
      {L"<Message>\r\n  <Check>\r\n    {#P@CUR}x.txt\r\n  </Check>\r\n</Message>", L"{#P@CUR}x.txt",
       L"\n  \n    {#P@CUR}x.txt\n  \n"},
  };
  return cases;
}

}  // namespace notify::test
