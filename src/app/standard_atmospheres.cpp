#include "app/standard_atmospheres.h"

namespace seasky {

const StandardAtmosphere* FindStandardAtmosphere(std::string_view name) {
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        if (atmosphere.name == name) return &atmosphere;
    }
    return nullptr;
}

}  // namespace seasky
