#include "gpx_read_ahead.h"

#include "gpx_coordinates.h"
#include "gpx_elements.h"
#include "gpx_text.h"
#include "point_filter.h"
#include "position_word.h"
#include "xml_reader.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <optional>

namespace korvix {

namespace {

constexpr std::size_t read_size = std::size_t{64} * 1024;

// What a read of the elements from an offset on is for.
enum class Purpose { names, points, ranges, one_track };

// The elements from `from` on, behind the root start tag: a file of their own to expat.
class FragmentReader final : public XmlHandler {
public:
    FragmentReader(InputBytes& input, std::string_view root_tag, InputOffset from, Purpose purpose)
        : input_(input), root_tag_(root_tag), from_(from), purpose_(purpose), reader_(*this) {}

    WaypointNumbers* numbers = nullptr;
    InputFingerprint* seen = nullptr;
    PointBuffer* points = nullptr;
    FitTracks::Visit* visit_track = nullptr;
    GpxTracksAhead::RangeVisit* visit_range = nullptr;
    bool track_read = false; // one_track: the track was read whole

    void read();
    void start(const XmlName& name, XmlAttributes attributes) override;
    void end(const char* name) override;
    void text(std::string_view text) override { name_.append(text); }
    void raw(std::string_view) override {}

private:
    InputOffset file_offset() const {
        return from_ + (reader_.offset() - static_cast<InputOffset>(root_tag_.size()));
    }
    GpxElement kind_at(int depth) const {
        return depth < tracked ? kinds_[depth] : GpxElement::other;
    }

    InputBytes& input_;
    std::string_view root_tag_;
    InputOffset from_;
    Purpose purpose_;
    XmlReader reader_;
    std::optional<GpxVersion> version_;
    static constexpr int tracked = 16;
    GpxElement kinds_[tracked] = {GpxElement::document};
    int depth_ = 0;
    InputOffset track_start_ = 0;
    Console quiet_;
    std::optional<PointCollector> collector_;
    char name_text_[8] = {};
    TextTarget name_;
};

void FragmentReader::read() {
    if (!reader_.ready() || !reader_.feed(reinterpret_cast<const std::uint8_t*>(root_tag_.data()),
                                          root_tag_.size(), false))
        return;
    for (InputOffset offset = from_;;) {
        const std::span<const std::uint8_t> bytes = input_.at(offset, read_size);
        if (bytes.empty() || !reader_.feed(bytes.data(), bytes.size(), false))
            break;
        offset += static_cast<InputOffset>(bytes.size());
    }
    reader_.feed(nullptr, 0, true);
}

void FragmentReader::start(const XmlName& name, XmlAttributes attributes) {
    const GpxElement parent = kind_at(depth_);
    GpxElement kind = GpxElement::other;
    if (parent == GpxElement::document) {
        version_ = gpx_version_of_root(name);
        kind = version_ ? GpxElement::gpx : GpxElement::other;
    } else if (version_) {
        kind = gpx_element(parent, name, *version_);
    }
    ++depth_;
    if (depth_ < tracked)
        kinds_[depth_] = kind;
    if (kind == GpxElement::trk) {
        track_start_ = file_offset();
        if (points != nullptr)
            collector_.emplace(*points, quiet_);
    } else if (kind == GpxElement::trkpt && collector_) {
        if (const std::optional<Semicircles> position = point_position(attributes))
            collector_->add_position(position_word(position->latitude, position->longitude));
    } else if (kind == GpxElement::name && numbers != nullptr &&
               (parent == GpxElement::wpt || parent == GpxElement::rtept)) {
        name_.reset(name_text_, sizeof name_text_);
        reader_.want_text(true);
    }
}

void FragmentReader::end(const char*) {
    const GpxElement kind = kind_at(depth_);
    --depth_;
    if (kind == GpxElement::name && numbers != nullptr) {
        if (kind_at(depth_) == GpxElement::wpt || kind_at(depth_) == GpxElement::rtept) {
            reader_.want_text(false);
            note_gpx_name(name_.value(), *numbers);
            seen->add_bytes({reinterpret_cast<const std::uint8_t*>(name_.text), name_.size});
        }
        return;
    }
    if (kind != GpxElement::trk)
        return;
    if (collector_) {
        collector_->finish();
        collector_.reset();
    }
    if (visit_track != nullptr)
        (*visit_track)(track_start_);
    if (visit_range != nullptr)
        (*visit_range)(track_start_, file_offset() + reader_.count());
    if (purpose_ == Purpose::one_track) {
        track_read = true;
        reader_.stop();
    }
}

// Whether the bytes from `at` on begin with "wpt" or "rtept".
bool named_point_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    const auto begins = [&](std::string_view word) {
        return bytes.size() - at >= word.size() &&
               std::equal(word.begin(), word.end(),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at));
    };
    return begins("wpt") || begins("rtept");
}

// Whether "wpt" or "rtept" stands in the bytes: their first two letters looked for sixteen places
// at a time where the processor can (neither "wp" nor "rt" stands in a track point's markup), each
// such place then read whole.
bool holds_named_point(std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i w = _mm_set1_epi8('w');
    const __m128i p = _mm_set1_epi8('p');
    const __m128i r = _mm_set1_epi8('r');
    const __m128i t = _mm_set1_epi8('t');
    for (; at + 17 <= bytes.size(); at += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&bytes[at]));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&bytes[at + 1]));
        const __m128i pairs =
            _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(first, w), _mm_cmpeq_epi8(second, p)),
                         _mm_and_si128(_mm_cmpeq_epi8(first, r), _mm_cmpeq_epi8(second, t)));
        for (int mask = _mm_movemask_epi8(pairs); mask != 0; mask &= mask - 1) {
            if (named_point_at(bytes, at + static_cast<std::size_t>(
                                               __builtin_ctz(static_cast<unsigned>(mask)))))
                return true;
        }
    }
#endif
    for (; at < bytes.size(); ++at) {
        if (named_point_at(bytes, at))
            return true;
    }
    return false;
}

// Whether "wpt" or "rtept" stands anywhere in the input from `from` on: read once, in pieces that
// overlap by less than the longer word, so that one that a piece's end cuts is found in the next.
bool holds_named_points(InputBytes& input, InputOffset from) {
    constexpr std::size_t longest = 5; // "rtept"
    for (InputOffset offset = from;;) {
        const std::span<const std::uint8_t> bytes = input.at(offset, read_size);
        if (holds_named_point(bytes))
            return true;
        if (bytes.size() < read_size)
            return false;
        offset += static_cast<InputOffset>(bytes.size() - (longest - 1));
    }
}

} // namespace

void note_gpx_name(std::string_view name, WaypointNumbers& numbers) {
    rules::note_name_text(numbers, name);
}

void note_gpx_names_ahead(InputBytes& input, std::string_view root_tag, InputOffset from,
                          WaypointNumbers& numbers, InputFingerprint& seen) {
    if (!holds_named_points(input, from))
        return;
    FragmentReader reader(input, root_tag, from, Purpose::names);
    reader.numbers = &numbers;
    reader.seen = &seen;
    reader.read();
}

void GpxTracksAhead::for_each_track(Visit& visit) {
    FragmentReader reader(input_, root_tag_, first_track_, Purpose::points);
    reader.points = &points_;
    reader.visit_track = &visit;
    reader.read();
}

bool GpxTracksAhead::read_track(InputOffset offset) {
    FragmentReader reader(input_, root_tag_, offset, Purpose::one_track);
    reader.points = &points_;
    reader.read();
    return reader.track_read;
}

void GpxTracksAhead::for_each_range(RangeVisit& visit) {
    FragmentReader reader(input_, root_tag_, first_track_, Purpose::ranges);
    reader.visit_range = &visit;
    reader.read();
}

} // namespace korvix
