// Language codes of a DVD (two ISO 639-1 letters) and Windows locale identifiers.
#pragma once
#include <cstdint>

namespace zrdvd {

// The locale identifier of a two-letter code (primary language with its default sublanguage, as
// 0x0409 for "en"); 0 for a code the table does not know or for no code.
uint32_t LangCodeToLcid(uint16_t code);
// The two-letter code of a locale identifier's primary language; 0 when the table has none.
uint16_t LcidToLangCode(uint32_t lcid);

}  // namespace zrdvd
