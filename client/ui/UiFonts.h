#pragma once

// The style sheets of the forms name the brand's faces "KievitComp",
// "KievitComp-Bold" and "KievitOT-Book". They are not free to ship, so Lato
// (Debian's fonts-lato) stands in for all three; the sheets that name a
// "-Bold" face ask for the bold weight as well.
namespace UiFonts {

void installSubstitutes();

} // namespace UiFonts
