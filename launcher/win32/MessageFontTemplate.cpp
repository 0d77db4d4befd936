#include "MessageFontTemplate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
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

// The words of the dialog resource `id`, an extended template (DLGTEMPLATEEX), or none.
std::span<const WORD> DialogResource(HINSTANCE instance, int id) {
    const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    const HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
    const auto* words =
        static_cast<const WORD*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    const std::size_t size =
        words != nullptr ? SizeofResource(instance, resource) / sizeof(WORD) : 0;
    if (size < kHeaderWords || words[0] != 1 || words[1] != 0xFFFF) {
        return {};
    }
    return {words, size};
}

// Where a template that names its own font (DS_SETFONT) has that font, and where its first item
// begins; nothing for another template, or one cut short.
struct TemplateLayout {
    std::size_t fontAt = 0;
    std::size_t itemsAt = 0;
};
std::optional<TemplateLayout> LayoutOf(std::span<const WORD> words) {
    const TemplateReader in(words.data(), words.size());
    TemplateReader header = in;
    header.Skip(kHeaderWords);
    header.SkipNameOrOrdinal(); // menu
    header.SkipNameOrOrdinal(); // class
    header.SkipString();        // title
    if ((in.Dword(kStyle) & DS_SETFONT) == 0 || !header.Good()) {
        return std::nullopt;
    }
    TemplateLayout layout;
    layout.fontAt = header.At();
    header.Skip(3); // point size, weight, italic and character set
    header.SkipString();
    header.AlignToDword();
    layout.itemsAt = header.At();
    return layout;
}

// The font of the system's message boxes in points at the system's scale, which the dialog
// manager scales to each screen's, and how much wider than its own a horizontal dialog unit must
// be for the captions of `controls` to fit.
struct MessageFont {
    LOGFONTW font{};
    int points = 0;
    int perMille = 1000;
};
std::optional<MessageFont> MeasureMessageFont(std::span<const ControlTemplate> controls) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return std::nullopt;
    }
    MessageFont message{metrics.lfMessageFont};
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    message.points = std::max(1, MulDiv(std::abs(message.font.lfHeight), 72, dpi));
    // Its dialog base units, as the dialog manager measures them.
    LOGFONTW measured = message.font;
    measured.lfHeight = -MulDiv(message.points, dpi, 72);
    const HFONT handle = CreateFontIndirectW(&measured);
    const HGDIOBJ previous = SelectObject(screen, handle);
    SIZE alphabet{};
    GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &alphabet);
    message.perMille =
        WidthPerMille(controls, (alphabet.cx / 26 + 1) / 2, [&](const char* caption) {
            const std::wstring text(caption, caption + std::strlen(caption)); // captions are ASCII
            SIZE size{};
            GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
            return static_cast<int>(size.cx);
        });
    SelectObject(screen, previous);
    DeleteObject(handle);
    ReleaseDC(nullptr, screen);
    return message;
}

// The font of a template's header: point size, weight, italic and character set, face name.
void AppendFont(std::vector<WORD>& out, const MessageFont& message) {
    const LOGFONTW& font = message.font;
    out.push_back(static_cast<WORD>(message.points));
    out.push_back(static_cast<WORD>(font.lfWeight));
    out.push_back(static_cast<WORD>(font.lfItalic | (font.lfCharSet << 8)));
    for (const wchar_t* c = font.lfFaceName; *c != L'\0'; ++c) {
        out.push_back(static_cast<WORD>(*c));
    }
    out.push_back(0);
}

// The template's `count` items from `itemsAt` on, each with its x and width widened; false for
// a template cut short.
bool AppendItems(std::vector<WORD>& out, std::span<const WORD> words, std::size_t itemsAt,
                 WORD count, int perMille) {
    TemplateReader item(words.data(), words.size());
    item.Skip(itemsAt);
    for (; count > 0; --count) {
        out.resize(out.size() + out.size() % 2); // items begin on a DWORD
        const std::size_t start = item.At();
        item.Skip(kItemHeaderWords);
        item.SkipNameOrOrdinal();                      // class
        item.SkipNameOrOrdinal();                      // title
        item.Skip(1 + (item.Word(item.At()) + 1) / 2); // creation data: its size in bytes, then it
        if (!item.Good()) {
            return false;
        }
        const std::size_t at = out.size();
        out.insert(out.end(), words.begin() + static_cast<std::ptrdiff_t>(start),
                   words.begin() + static_cast<std::ptrdiff_t>(item.At()));
        out[at + kItemX] = static_cast<WORD>(Widened(out[at + kItemX], perMille));
        out[at + kItemWidth] = static_cast<WORD>(Widened(out[at + kItemWidth], perMille));
        item.AlignToDword();
    }
    return true;
}

// The resource `id` as a template in the message font: the header up to its font, the message
// font, then the items with their x and width widened; or nothing.
std::vector<WORD> MessageFontTemplate(HINSTANCE instance, int id,
                                      std::span<const ControlTemplate> controls) {
    const std::span<const WORD> words = DialogResource(instance, id);
    const std::optional<TemplateLayout> layout = LayoutOf(words);
    const std::optional<MessageFont> font = MeasureMessageFont(controls);
    if (words.empty() || !layout || !font) {
        return {};
    }
    std::vector<WORD> out(words.begin(),
                          words.begin() + static_cast<std::ptrdiff_t>(layout->fontAt));
    out[kDialogWidth] = static_cast<WORD>(Widened(out[kDialogWidth], font->perMille));
    AppendFont(out, *font);
    if (!AppendItems(out, words, layout->itemsAt, words[kItemCount], font->perMille)) {
        return {};
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
