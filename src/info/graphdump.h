// Making a filter graph inspectable from outside: its entry in the running object table, and dumps of it
// as a graph file (structured storage, what the graph writes through IPersistStream) and as text.
// None of these throws; their results are for diagnostics only.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

// "FilterGraph <address of graph, upper-case hex, two digits per pointer byte> pid <process id,
// upper-case hex, no leading zeros>", the display name under which graph tools look for graphs.
std::wstring RotDisplayName(IUnknown* graph);

// Registers graph under an item moniker ("!", RotDisplayName(graph)); the registration number goes to
// *registration. The HRESULT of the failing or last step.
HRESULT AddGraphToRot(IUnknown* graph, DWORD* registration);
HRESULT RemoveGraphFromRot(DWORD registration);

// A compound file at path (created, replacing any file there) with one stream "ActiveMovieGraph"
// holding what the graph saves through IPersistStream; committed only when that save succeeded.
// The HRESULT of the last step reached.
HRESULT SaveGraphFile(IUnknown* graph, const std::wstring& path);

// The text description of the graph, one entry per line:
//   Filters count: <n>
//   (empty)
//   per filter: "Filter name: <name>", per pin "  Pin <j> - Input - <name>" or "  Pin <j> - Output - <name>",
//   "    Connected to: <peer filter>, <peer pin>" when connected, "    Mediatypes:" and
//   "      <description>" per offered type when it offers any; then two empty lines.
// Throws when the graph cannot be read.
std::vector<std::wstring> GraphTextLines(IFilterGraph* graph);

// Writes GraphTextLines to path in the ANSI code page, each line ended by CR LF, replacing any file
// there. When the graph cannot be read, no file is written.
void SaveGraphText(IFilterGraph* graph, const std::wstring& path);
