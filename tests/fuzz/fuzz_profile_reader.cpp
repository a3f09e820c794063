// Fuzzes the profile reader (app/profile_reader.h) with the bytes as the text of
// a profile file.
//
// Properties:
//  - a refused text gives a message, no levels, and, when a level rule is the
//    reason, a value that the rule's bounds indeed refuse;
//  - an accepted text gives a profile whose every level is finite and within the
//    bounds of the validation table (app/validation.h);
//  - the file reader, which reads a block at a time, decides exactly as the text
//    reader, with the same message and the same bytes;
//  - loading into a store that already holds a profile (as the window keeps the
//    one it shows) leaves that store byte for byte unchanged when the file is
//    refused, and replaces it with the file's profile when it is accepted.
//
// An input whose first byte is 0xFF has two more bytes k (little-endian, modulo
// 1024) and is read after 65536 - k blanks, so that its numbers straddle the
// end of the file reader's first block.
#include <cstdint>
#include <string>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "fuzz_support.h"

namespace {

using namespace seasky;
using fuzz::Require;

void RequireConsistent(const ProfileReadResult& r, const std::string& origin) {
    if (r.ok) {
        Require(r.message.empty(), origin + ": an accepted profile has no message");
        Require(!r.failure.has_value(), origin + ": an accepted profile has no failure");
        fuzz::RequireUsableProfile(r.profile, origin);
        return;
    }
    Require(!r.message.empty(), origin + ": a refusal has a message");
    Require(r.profile.levelCount == 0 && r.profile.height.empty() && r.profile.airTemperature.empty() &&
                r.profile.pressure.empty() && r.profile.absoluteHumidity.empty() && r.profile.cloudWater.empty(),
            origin + ": a refusal returns no levels");
    if (!r.failure) return;
    Require(r.failure->message == r.message, origin + ": the failure carries the refusal's message");
    Require(r.failure->quantity.has_value(), origin + ": a failure names the rule broken");
    Require(!fuzz::WithinBounds(*r.failure->quantity, r.failure->value),
            origin + ": the refused value " + std::to_string(r.failure->value) + " lies outside the rule's bounds");
}

bool SameFailure(const std::optional<ValidationFailure>& a, const std::optional<ValidationFailure>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    return a->quantity == b->quantity && a->level == b->level && a->message == b->message &&
           std::memcmp(&a->value, &b->value, sizeof(double)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text;
    if (size >= 3 && data[0] == 0xFF) {
        const std::size_t k = (data[1] | (static_cast<std::size_t>(data[2]) << 8)) % 1024;
        text.assign(65536 - k, ' ');
        data += 3;
        size -= 3;
    }
    text.append(reinterpret_cast<const char*>(data), size);

    const ProfileReadResult fromText = ParseProfileText(text);
    RequireConsistent(fromText, "text");

    static const std::filesystem::path file = fuzz::ScratchFolder() / "profile.txt";
    fuzz::WriteFile(file, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const ProfileReadResult fromFile = ReadProfileFile(file.string());
    RequireConsistent(fromFile, "file");
    Require(fromFile.ok == fromText.ok, "the file and the text reader agree on acceptance");
    Require(fromFile.message == fromText.message, "the file and the text reader give the same message");
    Require(SameFailure(fromFile.failure, fromText.failure), "the file and the text reader give the same failure");
    if (fromFile.ok)
        Require(fuzz::SameBytes(fromFile.profile, fromText.profile), "the file and the text reader read the same bytes");

    // A store holding a good profile, loaded from the file.
    static const ProfileStore good = ParseProfileText(FindStandardAtmosphere(kDefaultAtmosphere)->text).profile;
    Require(good.levelCount > 0, "the bundled atmosphere reads");
    ProfileStore store = good;
    const std::string message = LoadProfileFile(file.string(), store);
    if (fromFile.ok) {
        Require(message.empty(), "an accepted file loads without a message");
        Require(fuzz::SameBytes(store, fromFile.profile), "an accepted file replaces the store with its profile");
    } else {
        Require(message == fromFile.message, "a refused load gives the reader's message");
        Require(fuzz::SameBytes(store, good), "a refused load leaves the store byte for byte as it was");
    }
    return 0;
}
