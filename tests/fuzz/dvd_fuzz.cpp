// libFuzzer target: the information-file and pack readers on arbitrary bytes. The first byte picks
// the reader, so one corpus (seeded with real IFO files and VOB sectors) drives all of them.
#include "core/dvd/ifo.h"
#include "core/dvd/navpack.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t* p = data + 1;
    size_t n = size - 1;
    switch (data[0] & 3) {
    case 0: { zrdvd::Vmg v; zrdvd::ParseVmg(p, n, v); break; }
    case 1: { zrdvd::Vts v; zrdvd::ParseVts(p, n, v); break; }
    case 2: { zrdvd::NavPack nav; zrdvd::ParseNavPack(p, n, nav); break; }
    default: { std::vector<zrdvd::PesPayload> pes; zrdvd::ParsePack(p, n, pes); break; }
    }
    return 0;
}
