// GRIB files as files of fields (grib_fields.h): the layout of the data
// store's netCDF (dimensions, coordinates, names, units, paramIds) and the
// values of the reanalysis sample files against the formulas they were
// written from (tools/reanalysis_samples.h), exactly with 64-bit IEEE packing
// and within the packing's step with 16 bits; the refusals of files that are
// not what they should be; the cache of decoded fields; files of fields by
// their extension.
#include <gtest/gtest.h>

#include <eccodes.h>
#include <netcdf.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "batch/eccodes_library.h"
#include "batch/field_file.h"
#include "batch/grib_fields.h"
#include "reanalysis_samples.h"
#include "test_support.h"

namespace seasky {
namespace {

namespace rs = samples;

// ---- helpers ----

// The whole of variable v, in its row-major order.
std::vector<double> GribReadAll(FieldFile& file, std::size_t v) {
    const FieldVariable& var = file.Variables()[v];
    std::vector<std::size_t> start(var.shape.size(), 0);
    std::size_t n = 1;
    for (std::size_t s : var.shape) n *= s;
    std::vector<double> out(n, -1.0);
    file.Read(v, start, var.shape, out.data());
    return out;
}

std::size_t GribVariable(const FieldFile& file, const std::string& name) {
    const std::optional<std::size_t> v = file.Find(name);
    EXPECT_TRUE(v.has_value()) << name;
    return v.value_or(0);
}

// The formula's value of a parameter at (time, level, latitude, longitude) indexes.
double GribExpected(long paramId, std::size_t t, std::size_t k, std::size_t j, std::size_t i) {
    return rs::Value(paramId, t, rs::kPressureLevels[k], rs::kLatitudes[j], rs::kLongitudes[i]);
}

// The messages of a GRIB file, each as its bytes.
std::vector<std::string> GribMessagesOf(const std::string& path) {
    std::vector<std::string> messages;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr) << path;
    if (f == nullptr) return messages;
    int error = 0;
    while (codes_handle* h = ::codes_handle_new_from_file(nullptr, f, PRODUCT_GRIB, &error)) {
        const void* bytes = nullptr;
        std::size_t size = 0;
        ::codes_get_message(h, &bytes, &size);
        messages.emplace_back(static_cast<const char*>(bytes), size);
        ::codes_handle_delete(h);
    }
    std::fclose(f);
    return messages;
}

// A message made from an ecCodes sample, changed by set before it is encoded.
std::string GribSampleMessage(const char* sample, const std::function<void(codes_handle*)>& set) {
    codes_handle* h = ::codes_grib_handle_new_from_samples(nullptr, sample);
    EXPECT_NE(h, nullptr) << sample;
    if (h == nullptr) return {};
    set(h);
    const void* bytes = nullptr;
    std::size_t size = 0;
    ::codes_get_message(h, &bytes, &size);
    std::string message(static_cast<const char*>(bytes), size);
    ::codes_handle_delete(h);
    return message;
}

void GribWrite(const std::string& path, const std::vector<std::string>& messages) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& m : messages) out << m;
}

std::string GribFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The message of a refusal of the file, "" when it opens.
std::string GribRefusal(const std::string& path) {
    try {
        OpenGribFields(path);
    } catch (const BatchError& e) {
        return e.what();
    }
    return "";
}

// ---- the layout ----

TEST(GribFields, PressureLevelFileHasTheDataStoreDimensionsNamesAndCoordinates) {
    const std::unique_ptr<FieldFile> file = OpenGribFields(test::SampleFile("era5-pl.grib"));
    EXPECT_EQ(file->Kind(), "GRIB");
    const std::vector<FieldDimension>& dims = file->Dimensions();
    ASSERT_EQ(dims.size(), 4u);
    const std::vector<std::pair<std::string, std::size_t>> expectedDims{
        {"valid_time", 2}, {"pressure_level", 26}, {"latitude", 3}, {"longitude", 4}};
    for (std::size_t d = 0; d < 4; ++d) {
        EXPECT_EQ(dims[d].name, expectedDims[d].first);
        EXPECT_EQ(dims[d].size, expectedDims[d].second);
    }
    // The fields, in the order of their first messages, with ECMWF's names and units.
    const struct {
        const char* name;
        long paramId;
        const char* units;
        const char* standardName;
    } fields[] = {{"z", 129, "m**2 s**-2", "geopotential"},
                  {"t", 130, "K", "air_temperature"},
                  {"q", 133, "kg kg**-1", "specific_humidity"},
                  {"clwc", 246, "kg kg**-1", "unknown"},
                  {"ciwc", 247, "kg kg**-1", "unknown"}};
    const std::vector<FieldVariable>& vars = file->Variables();
    ASSERT_EQ(vars.size(), 4u + 5u);
    for (std::size_t k = 0; k < 5; ++k) {
        const FieldVariable& v = vars[4 + k];
        EXPECT_EQ(v.name, fields[k].name);
        EXPECT_EQ(v.paramId, fields[k].paramId) << v.name;
        EXPECT_EQ(v.units, fields[k].units) << v.name;
        EXPECT_EQ(v.standardName, fields[k].standardName) << v.name;
        EXPECT_EQ(v.dims, (std::vector<std::string>{"valid_time", "pressure_level", "latitude", "longitude"}));
        EXPECT_EQ(v.shape, (std::vector<std::size_t>{2, 26, 3, 4}));
        EXPECT_EQ(v.type, NC_DOUBLE);
        EXPECT_EQ(v.valueBytes, 8u);
    }
    EXPECT_EQ(vars[5].longName, "Temperature");

    // Coordinates: levels in decreasing pressure although the file stores
    // them from 1 hPa down, latitudes north to south, times increasing.
    EXPECT_EQ(GribReadAll(*file, GribVariable(*file, "pressure_level")),
              std::vector<double>(rs::kPressureLevels.begin(), rs::kPressureLevels.end()));
    EXPECT_EQ(GribReadAll(*file, GribVariable(*file, "latitude")),
              std::vector<double>(rs::kLatitudes.begin(), rs::kLatitudes.end()));
    EXPECT_EQ(GribReadAll(*file, GribVariable(*file, "longitude")),
              std::vector<double>(rs::kLongitudes.begin(), rs::kLongitudes.end()));
    const std::size_t time = GribVariable(*file, "valid_time");
    EXPECT_EQ(GribReadAll(*file, time), (std::vector<double>{1704067200.0, 1704088800.0}));
    std::int64_t stored[2] = {0, 0};
    const std::size_t start = 0, count = 2;
    file->ReadStored(time, {&start, 1}, {&count, 1}, stored);
    EXPECT_EQ(stored[0], rs::kValidTimes[0]);
    EXPECT_EQ(stored[1], rs::kValidTimes[1]);

    // The coordinate variables as the data store's netCDF describes them.
    EXPECT_EQ(vars[time].type, NC_INT64);
    EXPECT_EQ(vars[time].units, "seconds since 1970-01-01");
    EXPECT_EQ(vars[time].standardName, "time");
    EXPECT_NE(std::find(vars[time].attributes.begin(), vars[time].attributes.end(),
                        std::pair<std::string, std::string>{"calendar", "proleptic_gregorian"}),
              vars[time].attributes.end());
    const FieldVariable& level = vars[GribVariable(*file, "pressure_level")];
    EXPECT_EQ(level.units, "hPa");
    EXPECT_EQ(level.standardName, "air_pressure");
    EXPECT_EQ(level.longName, "pressure");
    EXPECT_NE(std::find(level.attributes.begin(), level.attributes.end(),
                        std::pair<std::string, std::string>{"positive", "down"}),
              level.attributes.end());
    EXPECT_EQ(vars[GribVariable(*file, "latitude")].units, "degrees_north");
    EXPECT_EQ(vars[GribVariable(*file, "longitude")].units, "degrees_east");
}

TEST(GribFields, SingleLevelFileHasNoLevelDimension) {
    const std::unique_ptr<FieldFile> file = OpenGribFields(test::SampleFile("era5-sfc.grib"));
    const std::vector<FieldDimension>& dims = file->Dimensions();
    ASSERT_EQ(dims.size(), 3u);
    EXPECT_EQ(dims[0].name, "valid_time");
    EXPECT_EQ(dims[1].name, "latitude");
    EXPECT_EQ(dims[2].name, "longitude");
    EXPECT_FALSE(file->Find("pressure_level").has_value());
    const struct {
        const char* name;
        long paramId;
        const char* units;
    } fields[] = {{"sst", 34, "K"},  {"u10", 165, "m s**-1"}, {"v10", 166, "m s**-1"}, {"sp", 134, "Pa"},
                  {"t2m", 167, "K"}, {"d2m", 168, "K"},       {"msl", 151, "Pa"}};
    ASSERT_EQ(file->Variables().size(), 3u + 7u);
    for (std::size_t k = 0; k < 7; ++k) {
        const FieldVariable& v = file->Variables()[3 + k];
        EXPECT_EQ(v.name, fields[k].name);
        EXPECT_EQ(v.paramId, fields[k].paramId) << v.name;
        EXPECT_EQ(v.units, fields[k].units) << v.name;
        EXPECT_EQ(v.dims, (std::vector<std::string>{"valid_time", "latitude", "longitude"}));
        EXPECT_EQ(v.shape, (std::vector<std::size_t>{2, 3, 4}));
    }
    // The height of a field at 2 m or 10 m is kept among its attributes.
    const auto& attributes = file->Variables()[GribVariable(*file, "t2m")].attributes;
    EXPECT_NE(std::find(attributes.begin(), attributes.end(),
                        std::pair<std::string, std::string>{"GRIB_typeOfLevel", "heightAboveGround"}),
              attributes.end());
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), std::pair<std::string, std::string>{"GRIB_level", "2"}),
              attributes.end());
}

// ---- the values ----

TEST(GribFields, ValuesOfIeeePackingAreTheFormulasExactly) {
    const std::unique_ptr<FieldFile> pl = OpenGribFields(test::SampleFile("era5-pl.grib"));
    for (long paramId : rs::kPressureLevelParameters) {
        std::size_t v = 0;
        while (pl->Variables()[v].paramId != paramId) ++v;
        const std::vector<double> values = GribReadAll(*pl, v);
        std::size_t n = 0;
        for (std::size_t t = 0; t < 2; ++t)
            for (std::size_t k = 0; k < 26; ++k)
                for (std::size_t j = 0; j < 3; ++j)
                    for (std::size_t i = 0; i < 4; ++i, ++n)
                        ASSERT_EQ(values[n], GribExpected(paramId, t, k, j, i))
                            << pl->Variables()[v].name << " " << t << " " << k << " " << j << " " << i;
    }
    const std::unique_ptr<FieldFile> sfc = OpenGribFields(test::SampleFile("era5-sfc.grib"));
    for (long paramId : rs::kSingleLevelParameters) {
        std::size_t v = 0;
        while (sfc->Variables()[v].paramId != paramId) ++v;
        const std::vector<double> values = GribReadAll(*sfc, v);
        std::size_t n = 0;
        for (std::size_t t = 0; t < 2; ++t)
            for (std::size_t j = 0; j < 3; ++j)
                for (std::size_t i = 0; i < 4; ++i, ++n) {
                    const double expected = GribExpected(paramId, t, 0, j, i);
                    if (std::isnan(expected)) EXPECT_TRUE(std::isnan(values[n])) << sfc->Variables()[v].name;
                    else EXPECT_EQ(values[n], expected) << sfc->Variables()[v].name << " " << t << j << i;
                }
    }
    // The land point's sea-surface temperature is missing, and only it.
    const std::vector<double> sst = GribReadAll(*sfc, GribVariable(*sfc, "sst"));
    EXPECT_EQ(std::count_if(sst.begin(), sst.end(), [](double x) { return std::isnan(x); }), 2);
    EXPECT_TRUE(std::isnan(sst[rs::kLandLatitude * 4 + rs::kLandLongitude]));
    EXPECT_TRUE(std::isnan(sst[12 + rs::kLandLatitude * 4 + rs::kLandLongitude]));
}

TEST(GribFields, BoxesAcrossTimesAndLevelsAndPartialRowsAreTheFormulas) {
    const std::unique_ptr<FieldFile> file = OpenGribFields(test::SampleFile("era5-pl.grib"));
    const std::size_t v = GribVariable(*file, "t");
    // Both times, 5 levels from 925 hPa, the middle latitude, 2 longitudes from the second.
    const std::vector<std::size_t> start{0, 3, 1, 1}, count{2, 5, 1, 2};
    std::vector<double> out(2 * 5 * 1 * 2, -1.0);
    file->Read(v, start, count, out.data());
    std::size_t n = 0;
    for (std::size_t t = 0; t < 2; ++t)
        for (std::size_t k = 3; k < 8; ++k)
            for (std::size_t i = 1; i < 3; ++i, ++n) EXPECT_EQ(out[n], GribExpected(rs::kTemperature, t, k, 1, i));
    // A single point of the second time, top level; and a box outside the variable is refused.
    const std::vector<std::size_t> corner{1, 25, 2, 3}, one{1, 1, 1, 1};
    double x = 0;
    file->Read(v, corner, one, &x);
    EXPECT_EQ(x, GribExpected(rs::kTemperature, 1, 25, 2, 3));
    const std::vector<std::size_t> beyond{1, 25, 2, 3}, two{1, 1, 1, 2};
    EXPECT_THROW(file->Read(v, beyond, two, out.data()), BatchError);
}

TEST(GribFields, SixteenBitPackingIsWithinItsStep) {
    const std::unique_ptr<FieldFile> file = OpenGribFields(test::SampleFile("era5-pl-packed.grib"));
    std::size_t inexact = 0;
    for (long paramId : rs::kPressureLevelParameters) {
        std::size_t v = 0;
        while (file->Variables()[v].paramId != paramId) ++v;
        const std::vector<double> values = GribReadAll(*file, v);
        for (std::size_t t = 0; t < 2; ++t)
            for (std::size_t k = 0; k < 26; ++k) {
                // Simple packing of b bits: x = R + X 2^E with E the least
                // that spans the field's range in 2^b - 1 steps, so the error
                // is at most 2^E / 2 < range / (2^b - 1); R is a float32,
                // whose rounding a constant field keeps.
                double lo = HUGE_VAL, hi = -HUGE_VAL;
                for (std::size_t j = 0; j < 3; ++j)
                    for (std::size_t i = 0; i < 4; ++i) {
                        lo = std::fmin(lo, GribExpected(paramId, t, k, j, i));
                        hi = std::fmax(hi, GribExpected(paramId, t, k, j, i));
                    }
                for (std::size_t j = 0; j < 3; ++j)
                    for (std::size_t i = 0; i < 4; ++i) {
                        const double expected = GribExpected(paramId, t, k, j, i);
                        const double got = values[((t * 26 + k) * 3 + j) * 4 + i];
                        const double tolerance = (hi - lo) / 65535.0 + std::fabs(expected) * 0x1p-23;
                        EXPECT_NEAR(got, expected, tolerance) << paramId << " " << t << " " << k;
                        inexact += got != expected;
                    }
            }
    }
    EXPECT_GT(inexact, 0u) << "the file is not packed";
}

// ---- other editions, scanning modes and pressure units ----

TEST(GribFields, EditionOneSouthToNorthColumnsAndLevelsInPascalAreRead) {
    test::ScratchFolder folder;
    // A 3 x 2 grid from 10 S to 10 N, 20 to 40 E; t at 850 hPa and 0.5 hPa
    // (GRIB 2's isobaricInPa, 50 Pa) stored column by column, and at 850 hPa
    // in GRIB 1 stored row by row from the south; the formula's values.
    const double lats[] = {-10.0, 10.0}, lons[] = {20.0, 30.0, 40.0};
    auto message = [&](const char* sample, double hPa, bool columns) {
        return GribSampleMessage(sample, [&](codes_handle* h) {
            ::codes_set_long(h, "paramId", 130);
            ::codes_set_long(h, "dataDate", rs::kDataDate);
            ::codes_set_long(h, "Ni", 3);
            ::codes_set_long(h, "Nj", 2);
            ::codes_set_long(h, "jScansPositively", 1);
            ::codes_set_long(h, "jPointsAreConsecutive", columns ? 1 : 0);
            ::codes_set_double(h, "latitudeOfFirstGridPointInDegrees", lats[0]);
            ::codes_set_double(h, "latitudeOfLastGridPointInDegrees", lats[1]);
            ::codes_set_double(h, "longitudeOfFirstGridPointInDegrees", lons[0]);
            ::codes_set_double(h, "longitudeOfLastGridPointInDegrees", lons[2]);
            ::codes_set_double(h, "iDirectionIncrementInDegrees", 10.0);
            ::codes_set_double(h, "jDirectionIncrementInDegrees", 20.0);
            if (hPa < 1.0) {
                ::codes_set_string(h, "typeOfLevel", "isobaricInPa", nullptr);
                ::codes_set_long(h, "level", static_cast<long>(hPa * 100.0));
            } else {
                ::codes_set_string(h, "typeOfLevel", "isobaricInhPa", nullptr);
                ::codes_set_long(h, "level", static_cast<long>(hPa));
            }
            ::codes_set_long(h, "bitsPerValue", 24);
            std::vector<double> values;
            for (std::size_t a = 0; a < (columns ? 3u : 2u); ++a)
                for (std::size_t b = 0; b < (columns ? 2u : 3u); ++b)
                    values.push_back(columns ? rs::Temperature(0, hPa, lats[b], lons[a])
                                             : rs::Temperature(0, hPa, lats[a], lons[b]));
            ::codes_set_double_array(h, "values", values.data(), values.size());
        });
    };
    GribWrite(folder / "pa.grib2",
              {message("regular_ll_pl_grib2", 0.5, true), message("regular_ll_pl_grib2", 850, true)});
    GribWrite(folder / "one.grib1", {message("regular_ll_pl_grib1", 850, false)});
    for (const char* name : {"pa.grib2", "one.grib1"}) {
        const std::unique_ptr<FieldFile> file = OpenGribFields(folder / name);
        const bool pa = std::string(name) == "pa.grib2";
        EXPECT_EQ(GribReadAll(*file, GribVariable(*file, "latitude")), (std::vector<double>{-10.0, 10.0})) << name;
        EXPECT_EQ(GribReadAll(*file, GribVariable(*file, "longitude")), (std::vector<double>{20.0, 30.0, 40.0}));
        const std::vector<double> levels = GribReadAll(*file, GribVariable(*file, "pressure_level"));
        const std::vector<double> expectedLevels = pa ? std::vector<double>{850.0, 0.5} : std::vector<double>{850.0};
        EXPECT_EQ(levels, expectedLevels) << name;
        const std::vector<double> t = GribReadAll(*file, GribVariable(*file, "t"));
        ASSERT_EQ(t.size(), levels.size() * 6);
        for (std::size_t k = 0; k < levels.size(); ++k)
            for (std::size_t j = 0; j < 2; ++j)
                for (std::size_t i = 0; i < 3; ++i)
                    // 24-bit packing of a range under 10 K: steps under 1e-6 K.
                    EXPECT_NEAR(t[(k * 2 + j) * 3 + i], rs::Temperature(0, levels[k], lats[j], lons[i]), 1e-5)
                        << name << " " << k << " " << j << " " << i;
    }
}

// ---- the order of messages ----

TEST(GribFields, TheOrderOfMessagesInTheFileDoesNotMatter) {
    test::ScratchFolder folder;
    std::vector<std::string> messages = GribMessagesOf(test::SampleFile("era5-pl.grib"));
    ASSERT_EQ(messages.size(), 2u * 5u * 26u);
    std::reverse(messages.begin(), messages.end());
    GribWrite(folder / "reversed.grib", messages);
    const std::unique_ptr<FieldFile> a = OpenGribFields(test::SampleFile("era5-pl.grib"));
    const std::unique_ptr<FieldFile> b = OpenGribFields(folder / "reversed.grib");
    ASSERT_EQ(a->Variables().size(), b->Variables().size());
    // Variables come in the order of their first message: reversed here.
    EXPECT_EQ(b->Variables()[4].name, "ciwc");
    for (std::size_t v = 0; v < a->Variables().size(); ++v) {
        const std::size_t w = GribVariable(*b, a->Variables()[v].name);
        EXPECT_EQ(GribReadAll(*a, v), GribReadAll(*b, w)) << a->Variables()[v].name;
    }
}

// ---- refusals ----

TEST(GribFields, FilesThatAreNotWholeGribAreRefusedNamingTheFile) {
    test::ScratchFolder folder;
    const std::string sfc = GribFileText(test::SampleFile("era5-sfc.grib"));
    std::ofstream(folder / "text.grib") << "time,lat,lon\n0,45,0\n";
    std::ofstream(folder / "empty.grib");
    // Cut in the middle of the last message.
    const std::vector<std::string> messages = GribMessagesOf(test::SampleFile("era5-sfc.grib"));
    std::ofstream(folder / "cut.grib", std::ios::binary)
        << sfc.substr(0, sfc.size() - messages.back().size() / 2);
    std::ofstream(folder / "tail.grib", std::ios::binary) << sfc << "not GRIB";
    const struct {
        const char* file;
        const char* says;
    } cases[] = {{"text.grib", "not a GRIB file"},
                 {"empty.grib", "is empty"},
                 {"cut.grib", "after message 13, are not a whole GRIB message"},
                 {"tail.grib", "after message 14, are not a whole GRIB message"},
                 {"absent.grib", "Cannot open"}};
    for (const auto& c : cases) {
        const std::string refusal = GribRefusal(folder / c.file);
        EXPECT_NE(refusal.find(folder / c.file), std::string::npos) << refusal;
        EXPECT_NE(refusal.find(c.says), std::string::npos) << refusal;
    }
}

TEST(GribFields, DamagedCountsAndUnitsAreRefusedBeforeEcCodesFollowsThem) {
    // Bytes of the second message (sst, with a bitmap) changed where WMO's
    // GRIB 2 layout puts them: octet 8 of section 0, the edition, to 3;
    // octet 34 of section 3 (template 3.0), the last of Ni, to 5; octet 18 of
    // section 4 (template 4.0), the unit of the forecast time, to 224, which
    // no code table has; octets 6-9 of section 5, the number of coded
    // values, to 0xDD00000B.
    test::ScratchFolder folder;
    const std::vector<std::string> sfc = GribMessagesOf(test::SampleFile("era5-sfc.grib"));
    std::vector<std::string> messages{sfc[1], sfc[0]};
    long section3 = 0, section4 = 0, section5 = 0;
    codes_handle* h = ::codes_handle_new_from_message(nullptr, messages[1].data(), messages[1].size());
    ASSERT_NE(h, nullptr);
    ::codes_get_long(h, "offsetSection3", &section3);
    ::codes_get_long(h, "offsetSection4", &section4);
    ::codes_get_long(h, "offsetSection5", &section5);
    ::codes_handle_delete(h);
    const struct {
        const char* file;
        long at;
        unsigned char value;
        const char* says;
    } cases[] = {{"edition.grib", 7, 3, "after message 1, are not a whole GRIB message (edition 3)"},
                 {"ni.grib", section3 + 33, 5, "message 2 (sst) has a grid of 5 x 3 points but counts 12"},
                 {"unit.grib", section4 + 17, 224, "message 2 gives its forecast step in units of code 224"}};
    for (const auto& c : cases) {
        std::vector<std::string> damaged = messages;
        damaged[1][static_cast<std::size_t>(c.at)] = static_cast<char>(c.value);
        GribWrite(folder / c.file, damaged);
        const std::string refusal = GribRefusal(folder / c.file);
        EXPECT_NE(refusal.find(c.says), std::string::npos) << refusal;
    }
    std::vector<std::string> count = messages;
    count[1][static_cast<std::size_t>(section5) + 5] = static_cast<char>(0xDD);
    GribWrite(folder / "count.grib", count);
    // The count is found when the values are read.
    const std::unique_ptr<FieldFile> file = OpenGribFields(folder / "count.grib");
    try {
        GribReadAll(*file, GribVariable(*file, "sst"));
        ADD_FAILURE() << "a damaged count of values was read";
    } catch (const BatchError& e) {
        EXPECT_NE(std::string(e.what()).find("message 2 (sst) declares 3707764747 values for a grid of 12 points"),
                  std::string::npos)
            << e.what();
    }
}

TEST(GribFields, GridsOtherThanOneRegularLatitudeLongitudeGridAreRefused) {
    test::ScratchFolder folder;
    std::vector<std::string> messages = GribMessagesOf(test::SampleFile("era5-sfc.grib"));
    // A reduced Gaussian message after the regular ones.
    messages.push_back(GribSampleMessage("reduced_gg_pl_32_grib2", [](codes_handle* h) {
        ::codes_set_long(h, "paramId", 130);
        ::codes_set_long(h, "dataDate", rs::kDataDate);
    }));
    GribWrite(folder / "gaussian.grib", messages);
    std::string refusal = GribRefusal(folder / "gaussian.grib");
    EXPECT_NE(refusal.find(folder / "gaussian.grib"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("message 15"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("reduced_gg"), std::string::npos) << refusal;

    // A variable on a grid of 5 longitudes beside variables on one of 4.
    messages.back() = GribSampleMessage("regular_ll_sfc_grib2", [](codes_handle* h) {
        ::codes_set_long(h, "paramId", 235);  // skin temperature
        ::codes_set_long(h, "Ni", 5);
        ::codes_set_long(h, "Nj", 3);
        const std::vector<double> values(15, 290.0);
        ::codes_set_double_array(h, "values", values.data(), values.size());
    });
    GribWrite(folder / "grids.grib", messages);
    refusal = GribRefusal(folder / "grids.grib");
    EXPECT_NE(refusal.find("message 15"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("another grid"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("5 x 3 points"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("4 x 3 points"), std::string::npos) << refusal;
}

TEST(GribFields, MissingRepeatedOrUnsharedFieldsAreRefused) {
    test::ScratchFolder folder;
    const std::vector<std::string> all = GribMessagesOf(test::SampleFile("era5-pl.grib"));
    // Messages: time (2) x parameter (5: z t q clwc ciwc) x level (1 hPa first).
    auto at = [](std::size_t t, std::size_t parameter, std::size_t level) {
        return (t * 5 + parameter) * 26 + (25 - level);
    };
    std::vector<std::string> messages = all;
    messages.erase(messages.begin() + static_cast<std::ptrdiff_t>(at(1, 1, 6)));  // t, 06 UTC, 800 hPa
    GribWrite(folder / "hole.grib", messages);
    std::string refusal = GribRefusal(folder / "hole.grib");
    EXPECT_NE(refusal.find("variable t at 2024-01-01 06:00 UTC, 800 hPa is missing"), std::string::npos) << refusal;

    messages = all;
    messages.push_back(all[at(0, 2, 0)]);  // q at 1000 hPa, 00 UTC, twice
    GribWrite(folder / "twice.grib", messages);
    refusal = GribRefusal(folder / "twice.grib");
    EXPECT_NE(refusal.find("message 261 repeats variable q at 2024-01-01 00:00 UTC, 1000 hPa"), std::string::npos)
        << refusal;

    // clwc at the first time only: the variables do not share their times.
    messages = all;
    messages.erase(messages.begin() + static_cast<std::ptrdiff_t>(at(1, 3, 25)),
                   messages.begin() + static_cast<std::ptrdiff_t>(at(1, 3, 0)) + 1);
    GribWrite(folder / "times.grib", messages);
    refusal = GribRefusal(folder / "times.grib");
    EXPECT_NE(refusal.find("variable clwc has no field at 2024-01-01 06:00 UTC"), std::string::npos) << refusal;

}

TEST(GribFields, LevelsOtherThanPressureAndSingleLevelsAreRefused) {
    test::ScratchFolder folder;
    // Potential vorticity on two isentropic levels: a level dimension of another kind.
    auto isentropic = [](long kelvin) {
        return GribSampleMessage("regular_ll_pl_grib2", [kelvin](codes_handle* h) {
            ::codes_set_long(h, "paramId", 60);
            ::codes_set_string(h, "typeOfLevel", "theta", nullptr);
            ::codes_set_long(h, "level", kelvin);
        });
    };
    GribWrite(folder / "theta.grib", {isentropic(330), isentropic(350)});
    std::string refusal = GribRefusal(folder / "theta.grib");
    EXPECT_NE(refusal.find("variable pv is on theta 330 (message 1) and 350 (message 2)"), std::string::npos)
        << refusal;
    EXPECT_NE(refusal.find("pressure levels and single levels are read"), std::string::npos) << refusal;

    // A message on model levels after one on a single level.
    const std::vector<std::string> sfc = GribMessagesOf(test::SampleFile("era5-sfc.grib"));
    GribWrite(folder / "model.grib", {sfc.front(), GribSampleMessage("reduced_gg_ml_grib2", [](codes_handle* h) {
                                          ::codes_set_long(h, "paramId", 130);
                                      })});
    refusal = GribRefusal(folder / "model.grib");
    EXPECT_NE(refusal.find("message 2 (t) is on model levels"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("model levels"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("pressure levels and single levels are read"), std::string::npos) << refusal;
}

// ---- the cache of decoded fields ----

TEST(GribFields, SuccessiveBoxesOfOneTimeStepDecodeEachFieldOnce) {
    const std::unique_ptr<FieldFile> file = OpenGribFields(test::SampleFile("era5-pl.grib"));
    const std::size_t v = GribVariable(*file, "q");
    EXPECT_EQ(GribMessagesDecoded(*file), 0u);  // opening reads headers alone
    std::vector<double> first, again;
    for (std::size_t row = 0; row < 3; ++row) {
        const std::vector<std::size_t> start{1, 0, row, 0}, count{1, 26, 1, 4};
        std::vector<double> out(26 * 4);
        file->Read(v, start, count, out.data());
        first.insert(first.end(), out.begin(), out.end());
        EXPECT_EQ(GribMessagesDecoded(*file), 26u) << "row " << row;
    }
    for (std::size_t row = 0; row < 3; ++row) {
        const std::vector<std::size_t> start{1, 0, row, 0}, count{1, 26, 1, 4};
        std::vector<double> out(26 * 4);
        file->Read(v, start, count, out.data());
        again.insert(again.end(), out.begin(), out.end());
    }
    EXPECT_EQ(again, first);
    EXPECT_EQ(GribMessagesDecoded(*file), 26u);
    // The other time step: its own 26 fields.
    std::vector<double> out(26 * 3 * 4);
    const std::vector<std::size_t> start{0, 0, 0, 0}, count{1, 26, 3, 4};
    file->Read(v, start, count, out.data());
    EXPECT_EQ(GribMessagesDecoded(*file), 52u);
}

TEST(GribFields, ABoundedCacheLetsTheLeastRecentlyUsedFieldGo) {
    // Room for two fields of 12 doubles.
    const std::unique_ptr<FieldFile> file = OpenGribFields(test::SampleFile("era5-sfc.grib"), 2 * 12 * 8);
    const std::vector<std::size_t> start{0, 0, 0}, count{1, 3, 4};
    std::vector<double> out(12);
    auto read = [&](const char* name) {
        file->Read(GribVariable(*file, name), start, count, out.data());
        return GribMessagesDecoded(*file);
    };
    EXPECT_EQ(read("sp"), 1u);
    EXPECT_EQ(read("msl"), 2u);
    EXPECT_EQ(read("sp"), 2u);   // held
    EXPECT_EQ(read("t2m"), 3u);  // msl leaves
    EXPECT_EQ(read("sp"), 3u);
    EXPECT_EQ(read("msl"), 4u);
    for (std::size_t n = 0; n < 12; ++n) EXPECT_EQ(out[n], GribExpected(rs::kMeanSeaLevelPressure, 0, 0, n / 4, n % 4));

    // No cache: a box over both times decodes each of its messages once per Read.
    const std::unique_ptr<FieldFile> none = OpenGribFields(test::SampleFile("era5-pl.grib"), 0);
    const std::vector<std::size_t> box{0, 0, 1, 1}, size{2, 26, 2, 2};
    std::vector<double> values(2 * 26 * 2 * 2);
    none->Read(GribVariable(*none, "z"), box, size, values.data());
    EXPECT_EQ(GribMessagesDecoded(*none), 52u);
    EXPECT_EQ(values.back(), GribExpected(rs::kGeopotential, 1, 25, 2, 2));
}

// ---- files of fields by extension, and the library ----

TEST(GribFields, FilesOfFieldsAreOpenedByTheirExtension) {
    EXPECT_TRUE(IsGribPath("era5.grib"));
    EXPECT_TRUE(IsGribPath("/data/era5.GRB2"));
    EXPECT_TRUE(IsGribPath("a.b/era5.grib1"));
    EXPECT_FALSE(IsGribPath("era5.nc"));
    EXPECT_FALSE(IsGribPath("grib"));
    EXPECT_FALSE(IsGribPath("era5.grib.txt"));
    EXPECT_EQ(OpenFields(test::SampleFile("era5-sfc.grib"))->Kind(), "GRIB");
    try {
        OpenFields("fields.csv");
        ADD_FAILURE() << "a CSV file opened as a file of fields";
    } catch (const BatchError& e) {
        EXPECT_NE(std::string(e.what()).find("fields.csv"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(".grib"), std::string::npos) << e.what();
    }
}

TEST(GribFields, AMissingLibraryIsRefusedNamingThePackage) {
    // In a fresh process (the library may be loaded in this one already).
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = test::SampleFile("era5-sfc.grib");
    EXPECT_EXIT(
        {
            setenv("SEASKY_ECCODES_LIBRARY", "/nonexistent/libeccodes-absent.so", 1);
            try {
                OpenGribFields(path);
            } catch (const EccodesUnavailable& e) {
                std::fprintf(stderr, "%s\n", e.what());
                std::exit(3);
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "ecCodes library could not be loaded.*libeccodes-absent.so.*libeccodes0");
    GTEST_FLAG_SET(death_test_style, style);
}

}  // namespace
}  // namespace seasky
