#!/usr/bin/env python3
"""Build helper for the control's type library.

  idltool.py tlb-version IN.tlb OUT.tlb
      Copies a type library and gives every type that has no version (widl accepts no version attribute on a
      dispinterface) the library's version.
  idltool.py dispids IN.idl OUT.h
      Writes the dispatch identifiers of the IDL as C++ constants: the IDL stays their one source.
"""
import re
import struct
import sys


def tlb_version(src, dst):
    data = bytearray(open(src, 'rb').read())
    if data[0:4] != b'MSFT':
        sys.exit('%s: not an MSFT type library' % src)
    varflags, version = struct.unpack_from('<ii', data, 0x14)
    count = struct.unpack_from('<i', data, 0x20)[0]
    header = 0x54 + (4 if varflags & 0x100 else 0)
    segdir = header + 4 * count
    typeinfo_tab = struct.unpack_from('<i', data, segdir)[0]
    for i in range(count):
        base = typeinfo_tab + i * 0x64
        if struct.unpack_from('<i', data, base + 0x38)[0] == 0:
            struct.pack_into('<i', data, base + 0x38, version)
    open(dst, 'wb').write(bytes(data))


ID_RE = re.compile(r'\[\s*id\((0x[0-9A-Fa-f]+|-?\d+)\)(?P<attrs>[^\]]*)\]\s*(?:HRESULT|void)\s+(?P<name>\w+)\s*\(')


def dispids(src, dst):
    text = open(src).read()
    body = text.split('interface ITxZRMediaPlayer : IDispatch', 1)[1]
    members, events_part = body.split('dispinterface ITxZRMediaPlayerEvents', 1)

    def collect(part):
        seen = {}
        for m in ID_RE.finditer(part):
            value = int(m.group(1), 0)
            if value > 0x7FFFFFFF:
                value -= 1 << 32
            seen.setdefault(m.group('name'), value)
        return seen

    out = ['// Generated from the control\'s IDL: its dispatch identifiers.', '#pragma once', '#include <oaidl.h>', '',
           'namespace zrdispid {']
    for name, value in collect(members).items():
        out.append('constexpr DISPID %s = %d;' % (name, value))
    out.append('}  // namespace zrdispid')
    out.append('')
    out.append('namespace zrevent {')
    for name, value in collect(events_part).items():
        out.append('constexpr DISPID %s = %d;' % (name, value))
    out.append('}  // namespace zrevent')
    out.append('')
    open(dst, 'w').write('\n'.join(out))


if __name__ == '__main__':
    if len(sys.argv) != 4 or sys.argv[1] not in ('tlb-version', 'dispids'):
        sys.exit(__doc__)
    {'tlb-version': tlb_version, 'dispids': dispids}[sys.argv[1]](sys.argv[2], sys.argv[3])
