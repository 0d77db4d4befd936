#include "MessageFontTemplate.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads an extended dialog template (DLGTEMPLATEEX, then its DLGITEMTEMPLATEEX items) as WORDs.
class TemplateReader {
public:
    TemplateReader(const WORD* words, std::size_t size) : m_words(words), m_size(size) {}

    bool Good() const { return m_at <= m_size; }
    std::size_t At() const { return m_at; }
    WORD Word(std::size_t at) const { return at < m_size ? m_words[at] : 0; }
    DWORD Dword(std::size_t at) const { return Word(at) | (DWORD{Word(at + 1)} << 16); }

    // Moves past a count of WORDs, a name or ordinal (none: 0; ordinal: 0xFFFF and a number;
    // else a 0-terminated string), a 0-terminated string, and to the next DWORD.
    void Skip(std::size_t words) { m_at += words; }
    void SkipNameOrOrdinal() {
        if (Word(m_at) == 0xFFFF) {
            m_at += 2;
        } else {
            SkipString();
        }
    }
    void SkipString() {
        while (m_at < m_size && m_words[m_at] != 0) {
            ++m_at;
        }
        ++m_at;
    }
    void AlignToDword() { m_at += m_at % 2; }

private:
    const WORD* m_words;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// The offsets in WORDs of DLGTEMPLATEEX's style, item count and width, and of an item's x and
// width from the item's start.
constexpr std::size_t kStyle = 6;
constexpr std::size_t kItemCount = 8;
constexpr std::size_t kDialogWidth = 11;
constexpr std::size_t kHeaderWords = 13; // up to the menu
constexpr std::size_t kItemX = 6;
constexpr std::size_t kItemWidth = 8;
constexpr std::size_t kItemHeaderWords = 12; // up to the class

short Widened(WORD units, int perMille) {
    return static_cast<short>(MulDiv(static_cast<short>(units), perMille, 1000));
}

// The resource `id` as a template in the message font, or nothing.
std::vector<WORD> MessageFontTemplate(HINSTANCE instance, int id,
                                      std::span<const ControlTemplate> controls) {
    const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    const HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
    const auto* words =
        static_cast<const WORD*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (words == nullptr || words[0] != 1 || words[1] != 0xFFFF ||
        !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return {};
    }
    const TemplateReader in(words, SizeofResource(instance, resource) / sizeof(WORD));
    TemplateReader header = in;
    header.Skip(kHeaderWords);
    header.SkipNameOrOrdinal(); // menu
    header.SkipNameOrOrdinal(); // class
    header.SkipString();        // title
    if ((in.Dword(kStyle) & DS_SETFONT) == 0 || !header.Good()) {
        return {};
    }
    const std::size_t fontAt = header.At();
    header.Skip(3); // point size, weight, italic and character set
    header.SkipString();
    header.AlignToDword();

    // The message font in points at the system's scale, which the dialog manager scales to each
    // screen's; and its dialog base units, as the dialog manager measures them.
    const LOGFONTW& font = metrics.lfMessageFont;
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const int points = std::max(1, MulDiv(std::abs(font.lfHeight), 72, dpi));
    LOGFONTW measured = font;
    measured.lfHeight = -MulDiv(points, dpi, 72);
    const HFONT handle = CreateFontIndirectW(&measured);
    const HGDIOBJ previous = SelectObject(screen, handle);
    SIZE alphabet{};
    GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &alphabet);
    const int perMille =
        WidthPerMille(controls, (alphabet.cx / 26 + 1) / 2, [&](const char* caption) {
            const std::wstring text(caption, caption + std::strlen(caption)); // captions are ASCII
            SIZE size{};
            GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
            return static_cast<int>(size.cx);
        });
    SelectObject(screen, previous);
    DeleteObject(handle);
    ReleaseDC(nullptr, screen);

    // The header up to its font, the message font, then the items with their x and width
    // widened.
    std::vector<WORD> out(words, words + fontAt);
    out[kDialogWidth] = static_cast<WORD>(Widened(out[kDialogWidth], perMille));
    out.push_back(static_cast<WORD>(points));
    out.push_back(static_cast<WORD>(font.lfWeight));
    out.push_back(static_cast<WORD>(font.lfItalic | (font.lfCharSet << 8)));
    for (const wchar_t* c = font.lfFaceName; *c != L'\0'; ++c) {
        out.push_back(static_cast<WORD>(*c));
    }
    out.push_back(0);
    TemplateReader item = header;
    for (WORD count = in.Word(kItemCount); count > 0; --count) {
        out.resize(out.size() + out.size() % 2); // items begin on a DWORD
        const std::size_t start = item.At();
        item.Skip(kItemHeaderWords);
        item.SkipNameOrOrdinal();                    // class
        item.SkipNameOrOrdinal();                    // title
        item.Skip(1 + (in.Word(item.At()) + 1) / 2); // creation data: its size in bytes, then it
        if (!item.Good()) {
            return {};
        }
        const std::size_t at = out.size();
        out.insert(out.end(), words + start, words + item.At());
        out[at + kItemX] = static_cast<WORD>(Widened(out[at + kItemX], perMille));
        out[at + kItemWidth] = static_cast<WORD>(Widened(out[at + kItemWidth], perMille));
        item.AlignToDword();
    }
    return out;
}

} // namespace

INT_PTR DialogBoxInMessageFont(HINSTANCE instance, int id,
                               std::span<const ControlTemplate> controls, HWND owner,
                               DLGPROC procedure, LPARAM parameter) {
    const std::vector<WORD> dialog = MessageFontTemplate(instance, id, controls);
    if (dialog.empty()) {
        return DialogBoxParamW(instance, MAKEINTRESOURCEW(id), owner, procedure, parameter);
    }
    return DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()),
                                   owner, procedure, parameter);
}
