#include "gpx_contents.h"

#include "gpx_coordinates.h"
#include "gpx_elements.h"
#include "gpx_text.h"
#include "point_filter.h"
#include "position_word.h"
#include "run_messages.h"
#include "xml_reader.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace korvix {

namespace {

constexpr std::size_t read_size = std::size_t{64} * 1024;

class GpxContentsReader final : public XmlHandler {
public:
    GpxContentsReader(FileContents& contents, const ContentsVisitors& visit)
        : contents_(contents), visit_(visit), reader_(*this) {}

    // Feeds the whole input to expat; false when the file is refused.
    bool read(InputBytes& input);
    const XmlError& error() const { return reader_.error(); }

    void start(const XmlName& name, XmlAttributes attributes) override;
    void end(const char* name) override;
    void text(std::string_view text) override { text_.append(text); }
    void raw(std::string_view) override {}

private:
    static constexpr int tracked = 16; // deeper elements are none that the walk counts
    GpxElement kind_at(int depth) const {
        return depth < tracked ? kinds_[depth] : GpxElement::other;
    }
    void gather_name(char* buffer, std::size_t room);
    void add_point(XmlAttributes attributes);
    void end_track();
    void end_route();

    FileContents& contents_;
    const ContentsVisitors& visit_;
    XmlReader reader_;
    std::optional<GpxVersion> version_;
    GpxElement kinds_[tracked] = {GpxElement::document};
    int depth_ = 0;
    Console quiet_; // the point limit's message is korvix's to say, not the walk's
    PointBuffer points_;
    std::optional<PointCollector> collector_; // of the route or track being read, when wanted
    TextTarget text_;
    // A point's name takes a number only as three digits alone: a few bytes tell.
    char point_name_[8] = {};
    char path_name_[256] = {}; // of the route or track being read
    std::size_t path_name_size_ = 0;
};

bool GpxContentsReader::read(InputBytes& input) {
    if (!reader_.ready())
        return false;
    for (InputOffset offset = 0;;) {
        const std::span<const std::uint8_t> bytes = input.at(offset, read_size);
        if (bytes.empty())
            break;
        if (!reader_.feed(bytes.data(), bytes.size(), false))
            return false;
        offset += static_cast<InputOffset>(bytes.size());
    }
    return reader_.feed(nullptr, 0, true);
}

void GpxContentsReader::gather_name(char* buffer, std::size_t room) {
    text_.reset(buffer, room);
    reader_.want_text(true);
}

void GpxContentsReader::start(const XmlName& name, XmlAttributes attributes) {
    const GpxElement parent = kind_at(depth_);
    GpxElement kind = GpxElement::other;
    if (parent == GpxElement::document) {
        version_ = gpx_version_of_root(name);
        if (!version_) {
            reader_.refuse(not_gpx_root_text);
            return;
        }
        kind = GpxElement::gpx;
    } else {
        kind = gpx_element(parent, name, *version_);
    }
    ++depth_;
    if (depth_ < tracked)
        kinds_[depth_] = kind;
    // A point of a route or track, or a link point of a route where -T takes them.
    const bool point = kind == GpxElement::trkpt || kind == GpxElement::rtept ||
                       (kind == GpxElement::rpt && visit_.route_points == TrackPoints::all_points);
    if (kind == GpxElement::wpt) {
        ++contents_.waypoints;
    } else if (kind == GpxElement::rte || kind == GpxElement::trk) {
        // A route's points are collected only for a visitor of routes; a track's always, for
        // the sizes of the tracks.
        if (kind == GpxElement::trk || visit_.route)
            collector_.emplace(points_, quiet_);
        path_name_size_ = 0;
    } else if (point && collector_) {
        add_point(attributes);
    } else if (kind == GpxElement::name &&
               (parent == GpxElement::wpt || parent == GpxElement::rtept)) {
        gather_name(point_name_, sizeof point_name_);
    } else if (kind == GpxElement::name &&
               (parent == GpxElement::trk || parent == GpxElement::rte)) {
        gather_name(path_name_, sizeof path_name_);
    }
}

// A point whose coordinates cannot be read, or lie beyond a pole, is left out, as korvix leaves
// it out of the route or track it makes.
void GpxContentsReader::add_point(XmlAttributes attributes) {
    if (const std::optional<Semicircles> position = point_position(attributes))
        collector_->add_position(position_word(position->latitude, position->longitude));
}

void GpxContentsReader::end(const char*) {
    const GpxElement kind = kind_at(depth_);
    --depth_;
    const GpxElement parent = kind_at(depth_);
    if (kind == GpxElement::name && (parent == GpxElement::wpt || parent == GpxElement::rtept)) {
        reader_.want_text(false);
        rules::note_name_text(contents_.numbers, text_.value());
    } else if (kind == GpxElement::name &&
               (parent == GpxElement::trk || parent == GpxElement::rte)) {
        reader_.want_text(false);
        path_name_size_ = text_.size;
    } else if (kind == GpxElement::trk && collector_) {
        end_track();
    } else if (kind == GpxElement::rte) {
        end_route();
    }
}

void GpxContentsReader::end_track() {
    collector_->finish();
    collector_.reset();
    const std::uint32_t points = points_.count;
    const bool first = contents_.tracks == 0;
    contents_.fewest_track_points =
        first ? points : std::min(contents_.fewest_track_points, points);
    contents_.most_track_points = std::max(contents_.most_track_points, points);
    if (visit_.track)
        visit_.track({contents_.tracks, std::string_view(path_name_, path_name_size_), points_});
    ++contents_.tracks;
}

void GpxContentsReader::end_route() {
    if (collector_) {
        collector_->finish();
        collector_.reset();
        visit_.route({contents_.routes, std::string_view(path_name_, path_name_size_), points_});
    }
    ++contents_.routes;
}

} // namespace

FileContents read_gpx_contents(InputBytes& input, const ContentsVisitors& visit) {
    FileContents contents;
    contents.format = InputFormat::gpx;
    const auto reader = std::make_unique<GpxContentsReader>(contents, visit);
    if (reader->read(input)) {
        contents.reach = FileContents::Reach::whole;
        return contents;
    }
    // What the walk counted up to the refusal stands, as a GDB file's records before its failure.
    contents.reach = FileContents::Reach::failed;
    contents.refusal =
        reader->error().failed ? refusal_message(reader->error()) : not_enough_memory_text;
    return contents;
}

} // namespace korvix
