// The report of vtl info: the loaded object store and the scene's globals
// as one JSON object whose keys are the field names of the in-memory
// records and globals, or as plain text, one line per object.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/records.h"
#include "scene/scene.h"

namespace vortella {

// Texts in scene files are bytes in the 8-bit code page the scene was made
// with: decoded as Windows-1252 into UTF-8, every byte a character (the five
// bytes the code page leaves unassigned as their Latin-1 code points).
std::string cp1252(const char *s);
// Whether `s` is well-formed UTF-8 (no overlong forms, no surrogates).
bool valid_utf8(const std::string &s);
// `s` itself when it is UTF-8, else decoded as Windows-1252.
std::string as_text(const std::string &s);

// The report of the loaded store: `path` the file as named, `h` its header,
// `warnings` the load's dangling references. Every text in it is UTF-8.
nlohmann::ordered_json scene_report(const std::string &path, const file_header_s &h,
                                    const std::vector<std::string> &warnings);
// The report as plain text, and as JSON indented by two.
std::string scene_text(const nlohmann::ordered_json &j);
std::string scene_json(const nlohmann::ordered_json &j);

}  // namespace vortella
