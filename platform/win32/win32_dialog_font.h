// The dialog font as the template asks for it, whatever the system locale.
// The dialog manager makes the template's font without its character set,
// so on a system whose code page is not the template's the face name maps
// to a face of another script, with other base units, and the dialog-unit
// controls no longer line up with the windows placed in pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat::win32 {

// The font part of an extended dialog template.
struct TemplateFont {
    std::size_t faceAt = 0, faceEnd = 0;  // the face name's bytes, NUL included
    int pointSize = 0, weight = 0, italic = 0, charset = 0;
    std::wstring face;
};

// Where the font of an extended template lies; false for a template of
// another kind or without a font.
bool FindTemplateFont(const std::vector<std::uint8_t>& bytes, TemplateFont& font);

// The template with its face name replaced; the controls keep their
// four-byte alignment.
std::vector<std::uint8_t> WithFace(const std::vector<std::uint8_t>& bytes, const TemplateFont& font,
                                   const std::wstring& face);

// The template to create the dialog from: when the template's face in its
// own character set resolves to another face than the dialog manager would
// find, that face by name; otherwise the template unchanged.
std::vector<std::uint8_t> WithFontOfItsCharset(const std::vector<std::uint8_t>& bytes);

}  // namespace plat::win32
