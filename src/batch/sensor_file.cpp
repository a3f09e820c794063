#include "batch/sensor_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "batch/input_file.h"

namespace seasky {

namespace {

using Json = nlohmann::json;

struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double PositiveNumber(const Json& value, const std::string& what) {
    if (!value.is_number() || !(value.get<double>() > 0.0)) throw Refusal(what + " must be a positive number");
    return value.get<double>();
}

std::optional<double> OptionalNumber(const Json& channel, const char* key, const std::string& what) {
    if (!channel.contains(key) || channel.at(key).is_null()) return std::nullopt;
    if (!channel.at(key).is_number()) throw Refusal(what + " must be a number or null");
    return channel.at(key).get<double>();
}

Channel ChannelOf(const Json& j, const std::string& where) {
    if (!j.is_object()) throw Refusal(where + " is not an object");
    Channel c;
    if (!j.contains("name") || !j.at("name").is_string() || j.at("name").get<std::string>().empty())
        throw Refusal(where + ": \"name\" must be a non-empty string");
    c.name = j.at("name").get<std::string>();
    const std::string at = where + " (" + c.name + ")";
    if (!j.contains("centre")) throw Refusal(at + ": \"centre\" is missing");
    c.centre = PositiveNumber(j.at("centre"), at + ": \"centre\"");

    const int forms = static_cast<int>(j.contains("bandwidth")) + static_cast<int>(j.contains("sidebands")) +
                      static_cast<int>(j.contains("subBands"));
    if (forms != 1) throw Refusal(at + ": give exactly one of \"bandwidth\", \"sidebands\" and \"subBands\"");
    if (j.contains("bandwidth")) {
        // null: the bandwidth is not published; the channel cannot be computed.
        if (!j.at("bandwidth").is_null()) c.subBands.push_back({c.centre, PositiveNumber(j.at("bandwidth"), at + ": \"bandwidth\"")});
    } else if (j.contains("sidebands")) {
        const Json& s = j.at("sidebands");
        if (!s.is_object() || !s.contains("ifLow") || !s.contains("ifHigh"))
            throw Refusal(at + ": \"sidebands\" must be {\"ifLow\": a, \"ifHigh\": b}");
        const double a = s.at("ifLow").is_number() ? s.at("ifLow").get<double>() : -1.0;
        const double b = PositiveNumber(s.at("ifHigh"), at + ": \"ifHigh\"");
        if (!(a >= 0.0 && a < b)) throw Refusal(at + ": \"ifLow\" must be at least 0 and below \"ifHigh\"");
        // The two sidebands, lower then upper: centre -+ the middle of [a, b], width b - a.
        const double middle = (a + b) * 0.5;
        c.subBands.push_back({c.centre - middle, b - a});
        c.subBands.push_back({c.centre + middle, b - a});
    } else {
        const Json& list = j.at("subBands");
        if (!list.is_array() || list.empty()) throw Refusal(at + ": \"subBands\" must be a non-empty list");
        for (const Json& band : list) {
            if (!band.is_array() || band.size() != 2 || !band[0].is_number() || !band[1].is_number())
                throw Refusal(at + ": every sub-band must be [lo, hi] in GHz");
            const double lo = band[0].get<double>(), hi = band[1].get<double>();
            if (!(lo > 0.0 && hi > lo)) throw Refusal(at + ": a sub-band needs 0 < lo < hi");
            c.subBands.push_back({(lo + hi) * 0.5, hi - lo});
        }
    }

    if (!j.contains("polarisation") || !j.at("polarisation").is_string())
        throw Refusal(at + ": \"polarisation\" is missing");
    const std::optional<Polarisation> p = PolarisationFromName(j.at("polarisation").get<std::string>());
    if (!p) throw Refusal(at + ": \"polarisation\" must be one of V, H, +45, -45, L, R, S3, S4");
    c.polarisation = *p;
    c.incidenceAngle = OptionalNumber(j, "incidenceAngle", at + ": \"incidenceAngle\"");
    if (c.incidenceAngle && !(*c.incidenceAngle >= 0.0 && *c.incidenceAngle < 90.0))
        throw Refusal(at + ": \"incidenceAngle\" must lie from 0 to 90 degrees");
    if (j.contains("beamWidth") && !j.at("beamWidth").is_null()) {
        const Json& w = j.at("beamWidth");
        if (w.is_number()) c.beamWidth.push_back(PositiveNumber(w, at + ": \"beamWidth\""));
        else if (w.is_array() && w.size() == 2)
            for (const Json& v : w) c.beamWidth.push_back(PositiveNumber(v, at + ": \"beamWidth\""));
        else throw Refusal(at + ": \"beamWidth\" must be a number, [E-plane, H-plane] or null");
    }
    if (j.contains("note")) {
        if (!j.at("note").is_string()) throw Refusal(at + ": \"note\" must be a string");
        c.note = j.at("note").get<std::string>();
    }
    return c;
}

// Refuses a key that appears twice in one object (the parser would keep the
// last one silently), naming the key and the object, e.g. channels[2]
// (channel 3). Follows the parser's events to know where it is.
class DuplicateKeys {
public:
    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        switch (event) {
            case Json::parse_event_t::object_start:
                frames_.push_back({true, {}, {}, 0});
                break;
            case Json::parse_event_t::array_start:
                frames_.push_back({false, {}, {}, 0});
                break;
            case Json::parse_event_t::key: {
                const std::string key = parsed.get<std::string>();
                if (!frames_.back().keys.insert(key).second)
                    throw Refusal("the key \"" + key + "\" appears twice in " + Where());
                frames_.back().key = key;
                break;
            }
            case Json::parse_event_t::object_end:
            case Json::parse_event_t::array_end:
                frames_.pop_back();
                Ended();
                break;
            case Json::parse_event_t::value:
                Ended();
                break;
        }
        return true;
    }

private:
    struct Frame {
        bool object;
        std::set<std::string> keys;  // an object's keys so far
        std::string key;             // an object's current key
        std::size_t index;           // an array's current element, from 0
    };

    // An element of an array is complete: the next one follows.
    void Ended() {
        if (!frames_.empty() && !frames_.back().object) ++frames_.back().index;
    }

    // The object being parsed: "the top-level object", or its path.
    std::string Where() const {
        std::string path;
        for (std::size_t i = 0; i + 1 < frames_.size(); ++i)
            path += frames_[i].object ? (path.empty() ? "" : ".") + frames_[i].key
                                      : "[" + std::to_string(frames_[i].index) + "]";
        if (path.empty()) return "the top-level object";
        if (frames_.size() >= 3 && frames_[0].object && frames_[0].key == "channels" && !frames_[1].object)
            path += " (channel " + std::to_string(frames_[1].index + 1) + ")";
        return path;
    }

    std::vector<Frame> frames_;
};

}  // namespace

SensorReadResult ParseSensorText(std::string_view text, const std::string& origin) {
    SensorReadResult result;
    try {
        const Json j = Json::parse(text, DuplicateKeys());
        if (!j.is_object()) throw Refusal("the file is not a JSON object");
        Sensor s;
        if (!j.contains("name") || !j.at("name").is_string()) throw Refusal("\"name\" is missing");
        s.name = j.at("name").get<std::string>();
        if (j.contains("title") && j.at("title").is_string()) s.title = j.at("title").get<std::string>();
        if (j.contains("sources")) {
            if (!j.at("sources").is_array()) throw Refusal("\"sources\" must be a list of strings");
            for (const Json& source : j.at("sources")) {
                if (!source.is_string()) throw Refusal("\"sources\" must be a list of strings");
                s.sources.push_back(source.get<std::string>());
            }
        }
        if (!j.contains("channels") || !j.at("channels").is_array() || j.at("channels").empty())
            throw Refusal("\"channels\" must be a non-empty list");
        std::set<std::string> names;
        int index = 0;
        for (const Json& channel : j.at("channels")) {
            s.channels.push_back(ChannelOf(channel, "channel " + std::to_string(++index)));
            if (!names.insert(s.channels.back().name).second)
                throw Refusal("channel name \"" + s.channels.back().name + "\" appears twice");
        }
        result.ok = true;
        result.sensor = std::move(s);
    } catch (const Json::exception& e) {
        result.message = "Sensor file " + origin + ": not valid JSON (" + e.what() + ")";
    } catch (const Refusal& e) {
        result.message = "Sensor file " + origin + ": " + e.what();
    }
    return result;
}

SensorReadResult LoadSensor(const std::string& nameOrFile) {
    std::error_code ec;
    const bool isFile = std::filesystem::is_regular_file(nameOrFile, ec);
    if (!isFile) {
        for (const SensorPreset& p : SensorPresets())
            if (p.name == nameOrFile) return ParseSensorText(p.text, "preset " + nameOrFile);
        SensorReadResult missing;
        // A pipe or a device is never opened: a FIFO would wait for a writer.
        if (std::optional<std::string> refusal = NotARegularFile(nameOrFile, "Sensor file")) {
            missing.message = *refusal;
            return missing;
        }
        std::string names;
        for (const SensorPreset& p : SensorPresets()) names += (names.empty() ? "" : ", ") + std::string(p.name);
        missing.message = "No sensor file or preset named " + nameOrFile + " (presets: " + names + ")";
        return missing;
    }
    if (std::filesystem::file_size(nameOrFile, ec) > kMaxSensorFileBytes) {
        SensorReadResult large;
        large.message = "Sensor file " + nameOrFile + " is larger than " +
                        std::to_string(kMaxSensorFileBytes >> 20) + " MiB: a sensor's channels take a few kilobytes";
        return large;
    }
    std::ifstream in(nameOrFile, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        SensorReadResult unreadable;
        unreadable.message = "Cannot read sensor file " + nameOrFile;
        return unreadable;
    }
    return ParseSensorText(text, nameOrFile);
}

ChannelSelection SelectChannels(const Sensor& sensor, const std::string& list) {
    ChannelSelection selection;
    if (list.empty()) {
        for (int i = 0; i < static_cast<int>(sensor.channels.size()); ++i) selection.indices.push_back(i);
        return selection;
    }
    std::stringstream names(list);
    std::string name;
    while (std::getline(names, name, ',')) {
        int found = -1;
        for (int i = 0; i < static_cast<int>(sensor.channels.size()); ++i)
            if (sensor.channels[i].name == name) found = i;
        if (found < 0) {
            std::string known;
            for (const Channel& c : sensor.channels) known += (known.empty() ? "" : ", ") + c.name;
            selection.message = "Sensor " + sensor.name + " has no channel " + name + " (channels: " + known + ")";
            selection.indices.clear();
            return selection;
        }
        selection.indices.push_back(found);
    }
    return selection;
}

}  // namespace seasky
