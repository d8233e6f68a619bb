#include "authoring/import.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <numeric>
#include <type_traits>
#include <unordered_map>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace vortella {

namespace {

uint8_t colourbyte(float v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

// What the walk over the node tree collects besides the mesh: which
// materials have texture coordinates or vertex colours, and whether any
// mesh has them at all.
struct walk_state {
    std::map<std::array<float, 3>, int> weld;
    std::vector<bool> uv, colours;   // per material
    bool any_uv = false, any_colours = false;
};

void walk(const aiScene *sc, const aiNode *node, const aiMatrix4x4 &parent, model_mesh &m, walk_state &ws) {
    const aiMatrix4x4 tr = parent * node->mTransformation;
    aiMatrix3x3 nt(tr);
    nt.Inverse().Transpose();
    for (unsigned k = 0; k < node->mNumMeshes; ++k) {
        const aiMesh *mesh = sc->mMeshes[node->mMeshes[k]];
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        std::vector<int> idx(mesh->mNumVertices);
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const aiVector3D p = tr * mesh->mVertices[v];
            const std::array<float, 3> key = {p.x, p.y, p.z};
            auto it = ws.weld.find(key);
            if (it == ws.weld.end()) {
                it = ws.weld.emplace(key, static_cast<int>(m.positions.size())).first;
                m.positions.push_back(key);
            }
            idx[v] = it->second;
        }
        const bool normals = mesh->HasNormals(), uv = mesh->HasTextureCoords(0), colours = mesh->HasVertexColors(0);
        const size_t mat = mesh->mMaterialIndex;
        if (mat >= ws.uv.size()) ws.uv.resize(mat + 1), ws.colours.resize(mat + 1);
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace &face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            if (face.mIndices[0] >= mesh->mNumVertices || face.mIndices[1] >= mesh->mNumVertices ||
                face.mIndices[2] >= mesh->mNumVertices)
                continue;   // the library does not check what a damaged file names
            m.triangles.push_back({idx[face.mIndices[0]], idx[face.mIndices[1]], idx[face.mIndices[2]]});
            m.material.push_back(static_cast<int>(mat));
            for (int c = 0; c < 3; ++c) {
                const unsigned v = face.mIndices[c];
                aiVector3D n(0, 0, 0);
                if (normals) {
                    n = nt * mesh->mNormals[v];
                    n.Normalize();
                }
                m.normals.push_back({n.x, n.y, n.z});
                const aiVector3D t = uv ? mesh->mTextureCoords[0][v] : aiVector3D(0, 0, 0);
                m.uvs.push_back({t.x, t.y});
                const aiColor4D col = colours ? mesh->mColors[0][v] : aiColor4D(1, 1, 1, 1);
                m.colours.push_back({colourbyte(col.r), colourbyte(col.g), colourbyte(col.b)});
            }
        }
        if (!normals) m.normals.clear();   // marks "no normals" below
        if (uv && mesh->mNumFaces) ws.uv[mat] = true, ws.any_uv = true;
        if (colours && mesh->mNumFaces) ws.colours[mat] = true, ws.any_colours = true;
    }
    for (unsigned c = 0; c < node->mNumChildren; ++c) walk(sc, node->mChildren[c], tr, m, ws);
}

// The axes a file states in the metadata the import library keeps (FBX:
// UpAxis, UpAxisSign, FrontAxis, FrontAxisSign).
void stated_axes(const aiScene *sc, model_mesh &m) {
    const aiMetadata *md = sc->mMetaData;
    if (!md) return;
    int32_t up = -1, upsign = 1, front = -1, frontsign = 1;
    if (!md->Get("UpAxis", up) || up < 0 || up > 2) return;
    md->Get("UpAxisSign", upsign);
    m.up_axis = up, m.up_sign = upsign < 0 ? -1 : 1;
    if (md->Get("FrontAxis", front) && front >= 0 && front <= 2 && front != up) {
        md->Get("FrontAxisSign", frontsign);
        m.front_axis = front, m.front_sign = frontsign < 0 ? -1 : 1;
    }
}

// A PLY file (by its first line) whose first 64 KiB hold no "end_header".
bool unterminated_ply(const std::string &head) {
    if (head.size() < 4 || head.compare(0, 3, "ply") != 0 || (head[3] != '\n' && head[3] != '\r')) return false;
    return head.find("end_header") == std::string::npos;
}

}  // namespace

bool read_model(const std::string &path, model_mesh &m, std::string *err) {
    m = model_mesh{};
    {
        std::ifstream f(path, std::ios::binary);
        if (!f) {
            if (err) *err = path + ": cannot open";
            return false;
        }
        // The import library's PLY reader loops for ever on a header that
        // never ends; such a file is refused before it gets there.
        std::string head(65536, '\0');
        f.read(&head[0], static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(f.gcount()));
        if (unterminated_ply(head)) {
            if (err) *err = path + ": damaged PLY file: its header has no end_header line";
            return false;
        }
    }
    Assimp::Importer imp;
    const size_t dot = path.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
    if (ext.empty() || !imp.IsExtensionSupported(ext)) {
        if (err) *err = path + ": unsupported model format" + (ext.empty() ? "" : " '" + ext + "'");
        return false;
    }
    imp.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene *sc = imp.ReadFile(path, aiProcess_Triangulate | aiProcess_SortByPType);
    if (!sc || !sc->mRootNode) {
        if (err) *err = path + ": cannot read: " + imp.GetErrorString();
        return false;
    }
    walk_state ws;
    // Normals are kept only when every mesh has them; one mesh without
    // empties the list, and then all are computed.
    bool allnormals = true;
    for (unsigned i = 0; i < sc->mNumMeshes; ++i) allnormals = allnormals && sc->mMeshes[i]->HasNormals();
    walk(sc, sc->mRootNode, aiMatrix4x4(), m, ws);
    if (!allnormals || m.normals.size() != m.triangles.size() * 3) m.normals.clear();
    if (!ws.any_uv) m.uvs.clear();
    if (!ws.any_colours) m.colours.clear();
    if (m.triangles.empty()) {
        if (err) *err = path + ": the model holds no triangles";
        return false;
    }
    for (unsigned i = 0; i < sc->mNumMaterials; ++i) {
        const aiMaterial *mat = sc->mMaterials[i];
        model_material mm;
        aiString name;
        if (mat->Get(AI_MATKEY_NAME, name) == AI_SUCCESS) mm.name = name.C_Str();
        mm.uv = i < ws.uv.size() && ws.uv[i];
        mm.colours = i < ws.colours.size() && ws.colours[i];
        aiColor4D c;
        if (aiGetMaterialColor(mat, AI_MATKEY_BASE_COLOR, &c) == AI_SUCCESS ||
            aiGetMaterialColor(mat, AI_MATKEY_COLOR_DIFFUSE, &c) == AI_SUCCESS)
            mm.red = colourbyte(c.r), mm.green = colourbyte(c.g), mm.blue = colourbyte(c.b);
        float op = 1;
        if (mat->Get(AI_MATKEY_OPACITY, op) == AI_SUCCESS && op >= 0 && op <= 1) mm.opacity = op;
        aiString tex;
        if (mat->GetTexture(aiTextureType_BASE_COLOR, 0, &tex) == AI_SUCCESS ||
            mat->GetTexture(aiTextureType_DIFFUSE, 0, &tex) == AI_SUCCESS) {
            if (const aiTexture *emb = sc->GetEmbeddedTexture(tex.C_Str())) {
                if (emb->mHeight == 0) {
                    const auto *b = reinterpret_cast<const uint8_t *>(emb->pcData);
                    mm.embedded.assign(b, b + emb->mWidth);
                    mm.texture = tex.C_Str();
                }
            } else {
                mm.texture = tex.C_Str();
            }
        }
        // The library's stand-ins where a file has no material: its named
        // default, or an unnamed plain white one (glTF, PLY).
        mm.from_file = mm.name != AI_DEFAULT_MATERIAL_NAME &&
                       !(mm.name.empty() && mm.texture.empty() && mm.red == 255 && mm.green == 255 && mm.blue == 255);
        m.materials.push_back(mm);
    }
    if (m.materials.empty()) {
        m.materials.emplace_back();
        m.materials.back().from_file = false;
    }
    // Triangles naming a material the file does not have get the first one.
    for (int &k : m.material)
        if (k < 0 || static_cast<size_t>(k) >= m.materials.size()) k = 0;
    m.format = ext.substr(1);
    for (char &c : m.format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    stated_axes(sc, m);
    return true;
}

std::array<float, 6> model_box(const model_mesh &m) {
    std::array<float, 6> b = {0, 0, 0, 0, 0, 0};
    if (m.positions.empty()) return b;
    b = {m.positions[0][0], m.positions[0][1], m.positions[0][2], m.positions[0][0], m.positions[0][1],
         m.positions[0][2]};
    for (const auto &p : m.positions)
        for (int a = 0; a < 3; ++a) b[a] = std::min(b[a], p[a]), b[a + 3] = std::max(b[a + 3], p[a]);
    return b;
}

void place_model(model_mesh &m, float scale, const std::array<float, 3> &offset) {
    for (auto &p : m.positions)
        for (int a = 0; a < 3; ++a) p[a] = p[a] * scale + offset[a];
    if (scale < 0)
        for (auto &n : m.normals)
            for (float &v : n) v = -v;
}

namespace {

using vec = std::array<double, 3>;

double dot(const std::array<double, 3> &a, const std::array<double, 3> &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

vec facenormal(const model_mesh &m, const std::array<int, 3> &t, double *area = nullptr) {
    const auto &a = m.positions[t[0]], &b = m.positions[t[1]], &c = m.positions[t[2]];
    const double vx = b[0] - a[0], vy = b[1] - a[1], vz = b[2] - a[2];
    const double wx = c[0] - a[0], wy = c[1] - a[1], wz = c[2] - a[2];
    vec n = {vy * wz - wy * vz, wx * vz - wz * vx, vx * wy - vy * wx};
    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (area) *area = l;
    if (l > 0) n = {n[0] / l, n[1] / l, n[2] / l};
    return n;
}


// The angle of triangle t at its corner c.
double corner_angle(const model_mesh &m, const std::array<int, 3> &t, int c) {
    const auto &p = m.positions[t[c]], &a = m.positions[t[(c + 1) % 3]], &b = m.positions[t[(c + 2) % 3]];
    const vec u = {a[0] - p[0], a[1] - p[1], a[2] - p[2]}, v = {b[0] - p[0], b[1] - p[1], b[2] - p[2]};
    const double l = std::sqrt(dot(u, u) * dot(v, v));
    return l > 0 ? std::acos(std::clamp(dot(u, v) / l, -1.0, 1.0)) : 0.0;
}

// Per-corner smooth normals: each corner averages the normals of the faces
// around its position that meet its own face at no more than the crease
// angle, each weighted by the face's angle there (so a quad split either
// way gives the same normals).
std::vector<vec> smooth_normals(const model_mesh &m, const std::vector<int> &tris, double crease_deg) {
    std::vector<vec> fn(tris.size());
    for (size_t i = 0; i < tris.size(); ++i) fn[i] = facenormal(m, m.triangles[tris[i]]);
    std::unordered_map<int, std::vector<std::pair<int, double>>> around;   // position -> (local triangle, angle)
    for (size_t i = 0; i < tris.size(); ++i)
        for (int c = 0; c < 3; ++c)
            around[m.triangles[tris[i]][c]].emplace_back(static_cast<int>(i), corner_angle(m, m.triangles[tris[i]], c));
    const double cosmin = std::cos(crease_deg * 3.14159265358979 / 180);
    std::vector<vec> out(tris.size() * 3);
    for (size_t i = 0; i < tris.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            vec s = {0, 0, 0};
            for (const auto &[j, w] : around[m.triangles[tris[i]][c]])
                if (j == static_cast<int>(i) || dot(fn[i], fn[j]) >= cosmin)
                    for (int a = 0; a < 3; ++a) s[a] += fn[j][a] * w;
            const double l = std::sqrt(dot(s, s));
            out[i * 3 + c] = l > 0 ? vec{s[0] / l, s[1] / l, s[2] / l} : fn[i];
        }
    return out;
}

// One geometry from local triangles; points are shared by corners with the
// same position (and, for smooth geometries, the same normal).
geometry_desc assemble(const model_mesh &m, const std::vector<int> &tris, const std::vector<vec> &cn, bool faceted) {
    geometry_desc g;
    g.faceted = faceted;
    std::map<std::array<float, 6>, int> pts;
    for (size_t i = 0; i < tris.size(); ++i) {
        const auto &t = m.triangles[tris[i]];
        int id[3];
        for (int c = 0; c < 3; ++c) {
            const auto &p = m.positions[t[c]];
            std::array<float, 6> key = {p[0], p[1], p[2], 0, 0, 0};
            if (!faceted) {
                const vec &n = cn[i * 3 + c];
                key[3] = static_cast<float>(n[0]), key[4] = static_cast<float>(n[1]), key[5] = static_cast<float>(n[2]);
            }
            auto it = pts.find(key);
            if (it == pts.end()) {
                it = pts.emplace(key, static_cast<int>(g.points.size())).first;
                g.points.push_back({key[0], key[1], key[2], key[3], key[4], key[5]});
            }
            id[c] = it->second;
        }
        trianglef_s tr{id[0], id[1], id[2], 0, 0, 0};
        if (faceted) {
            const vec n = facenormal(m, t);
            tr.nx = static_cast<float>(n[0]), tr.ny = static_cast<float>(n[1]), tr.nz = static_cast<float>(n[2]);
        }
        g.triangles.push_back(tr);
    }
    return g;
}

void cut(const model_mesh &m, std::vector<int> tris, std::vector<vec> cn, const geometry_options &o,
         std::vector<geometry_desc> &out) {
    geometry_desc g = assemble(m, tris, cn, o.faceted);
    const int maxp = o.faceted ? o.max_points_faceted : o.max_points_smooth;
    if (static_cast<int>(g.points.size()) <= maxp && static_cast<int>(g.triangles.size()) <= o.max_triangles) {
        out.push_back(std::move(g));
        return;
    }
    // Cut across the longest extent of the triangle centres at their median.
    std::vector<vec> centre(tris.size());
    vec lo = {1e300, 1e300, 1e300}, hi = {-1e300, -1e300, -1e300};
    for (size_t i = 0; i < tris.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            centre[i][a] = 0;
            for (int c = 0; c < 3; ++c) centre[i][a] += m.positions[m.triangles[tris[i]][c]][a] / 3.0;
            lo[a] = std::min(lo[a], centre[i][a]), hi[a] = std::max(hi[a], centre[i][a]);
        }
    }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    std::vector<size_t> order(tris.size());
    std::iota(order.begin(), order.end(), 0);
    const size_t half = order.size() / 2;
    std::nth_element(order.begin(), order.begin() + half, order.end(),
                     [&](size_t p, size_t q) { return centre[p][axis] < centre[q][axis]; });
    for (int side = 0; side < 2; ++side) {
        std::vector<int> t2;
        std::vector<vec> c2;
        for (size_t k = side ? half : 0; k < (side ? order.size() : half); ++k) {
            t2.push_back(tris[order[k]]);
            if (!cn.empty())
                for (int c = 0; c < 3; ++c) c2.push_back(cn[order[k] * 3 + c]);
        }
        // Keep the file order within a part.
        std::vector<size_t> back(t2.size());
        std::iota(back.begin(), back.end(), 0);
        std::sort(back.begin(), back.end(), [&](size_t p, size_t q) { return t2[p] < t2[q]; });
        std::vector<int> t3;
        std::vector<vec> c3;
        for (size_t k : back) {
            t3.push_back(t2[k]);
            if (!c2.empty())
                for (int c = 0; c < 3; ++c) c3.push_back(c2[k * 3 + c]);
        }
        cut(m, std::move(t3), std::move(c3), o, out);
    }
}

}  // namespace

std::vector<geometry_desc> make_geometries(const model_mesh &m, int material, const geometry_options &o) {
    std::vector<int> tris;
    for (size_t i = 0; i < m.triangles.size(); ++i)
        if (material < 0 || m.material[i] == material) tris.push_back(static_cast<int>(i));
    return make_geometries(m, std::vector<std::vector<int>>{tris}, o)[0];
}

std::vector<std::vector<geometry_desc>> make_geometries(const model_mesh &m, const std::vector<std::vector<int>> &sets,
                                                        const geometry_options &o) {
    // Triangles with two corners at one place have no face and are never
    // drawn.
    std::vector<int> all;
    std::vector<size_t> first(sets.size() + 1, 0);
    for (size_t s = 0; s < sets.size(); ++s) {
        for (int i : sets[s]) {
            const auto &t = m.triangles[static_cast<size_t>(i)];
            if (t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) all.push_back(i);
        }
        first[s + 1] = all.size();
    }
    std::vector<vec> cn;
    if (!o.faceted) {
        if (o.file_normals && m.normals.size() == m.triangles.size() * 3) {
            for (int t : all)
                for (int c = 0; c < 3; ++c) {
                    const auto &n = m.normals[size_t(t) * 3 + c];
                    cn.push_back({n[0], n[1], n[2]});
                }
        } else if (!all.empty()) {
            cn = smooth_normals(m, all, o.crease_deg);
        }
    }
    std::vector<std::vector<geometry_desc>> out(sets.size());
    for (size_t s = 0; s < sets.size(); ++s) {
        if (first[s] == first[s + 1]) continue;
        std::vector<int> tris(all.begin() + long(first[s]), all.begin() + long(first[s + 1]));
        std::vector<vec> part;
        if (!cn.empty()) part.assign(cn.begin() + long(first[s] * 3), cn.begin() + long(first[s + 1] * 3));
        cut(m, std::move(tris), std::move(part), o, out[s]);
    }
    return out;
}

std::string model_axes::up_name() const { return std::string(up_sign < 0 ? "-" : "+") + "xyz"[up]; }

namespace {

// "x", "+y", "-z", ... as an axis number and a sign.
bool parse_axis(const std::string &s, int &axis, int &sign) {
    std::string t = s;
    sign = 1;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        sign = t[0] == '-' ? -1 : 1;
        t.erase(0, 1);
    }
    if (t.size() != 1) return false;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(t[0])));
    if (c < 'x' || c > 'z') return false;
    axis = c - 'x';
    return true;
}

vec unit_axis(int axis, int sign) {
    vec v = {0, 0, 0};
    v[static_cast<size_t>(axis)] = sign;
    return v;
}

vec cross(const vec &a, const vec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Applies the rotation whose rows are r[0..2] (new x, y, z) to the
// positions and normals.
void rotate(model_mesh &m, const std::array<vec, 3> &r) {
    auto turn = [&](std::array<float, 3> &p) {
        const vec q = {p[0], p[1], p[2]};
        for (int a = 0; a < 3; ++a) p[a] = static_cast<float>(dot(r[a], q));
    };
    for (auto &p : m.positions) turn(p);
    for (auto &n : m.normals) turn(n);
}

}  // namespace

bool model_up(const model_mesh &m, const std::string &choice, model_axes &out, std::string *err) {
    out = model_axes{};
    const std::string &f = m.format;
    const bool gltf = f == "gltf" || f == "glb";
    if (!choice.empty()) {
        if (!parse_axis(choice, out.up, out.up_sign)) {
            if (err) *err = "up axis '" + choice + "' is not one of x, y, z, -x, -y, -z";
            return false;
        }
        out.source = "as given";
    } else if (m.up_axis >= 0) {
        out.up = m.up_axis, out.up_sign = m.up_sign;
        out.source = "as the file states";
    } else if (f == "stl" || f == "3mf" || f == "amf") {
        out.up = 2;
        out.source = "as ." + f + " files are made";
    } else if (gltf) {
        out.up = 1;
        out.source = "glTF's definition";
    } else if (f == "dae" || f == "3ds") {
        out.up = 1;
        out.source = "as the import library turns ." + f + " files";
    } else {
        out.up = 1;
        out.source = f.empty() ? "by custom" : "as ." + f + " files are made";
    }
    // glTF assets face +z.
    if (m.front_axis >= 0) out.front = m.front_axis, out.front_sign = m.front_sign;
    else if (gltf) out.front = 2, out.front_sign = 1;
    if (out.front == out.up) out.front = -1;
    return true;
}

void stand_upright(model_mesh &m, const model_axes &a) {
    const vec up = unit_axis(a.up, a.up_sign);
    // Without a known front: what glTF would call the front for a y-up or
    // x-up model, and no turn at all for a z-up one.
    const vec front = a.front >= 0 ? unit_axis(a.front, a.front_sign) : a.up == 2 ? vec{0, -up[2], 0} : vec{0, 0, 1};
    const vec y = {-front[0], -front[1], -front[2]};
    rotate(m, {cross(y, up), y, up});
    if (a.front >= 0) return;
    // The longest horizontal side toward the camera, which looks along +y.
    const std::array<float, 6> b = model_box(m);
    if (b[4] - b[1] > b[3] - b[0]) rotate(m, {vec{0, -1, 0}, vec{1, 0, 0}, vec{0, 0, 1}});
}

// ---------------------------------------------------------------------------
// Import in a child process
// ---------------------------------------------------------------------------

namespace {

struct packer {
    std::vector<uint8_t> b;
    template <class T> void pod(const T &v) {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto *p = reinterpret_cast<const uint8_t *>(&v);
        b.insert(b.end(), p, p + sizeof v);
    }
    template <class T> void vec(const std::vector<T> &v) {
        pod(static_cast<uint64_t>(v.size()));
        for (const T &x : v) pod(x);
    }
    void str(const std::string &s) { vec(std::vector<char>(s.begin(), s.end())); }
};

struct unpacker {
    const std::vector<uint8_t> &b;
    size_t at = 0;
    bool ok = true;
    template <class T> void pod(T &v) {
        if (!ok || b.size() - at < sizeof v) {
            ok = false;
            return;
        }
        std::memcpy(&v, b.data() + at, sizeof v);
        at += sizeof v;
    }
    // The count is checked against the bytes left before anything is
    // allocated, so a damaged count cannot ask for gigabytes.
    template <class T> void vec(std::vector<T> &v) {
        uint64_t n = 0;
        pod(n);
        if (!ok || n > (b.size() - at) / sizeof(T)) {
            ok = false;
            return;
        }
        v.resize(n);
        for (T &x : v) pod(x);
    }
    void str(std::string &s) {
        std::vector<char> v;
        vec(v);
        s.assign(v.begin(), v.end());
    }
};

// Writes all of `b` to `fd`; false when the reader went away.
bool writeall(int fd, const std::vector<uint8_t> &b) {
    size_t done = 0;
    while (done < b.size()) {
        const ssize_t n = write(fd, b.data() + done, b.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::vector<uint8_t> pack_model(const model_mesh &m) {
    packer p;
    p.vec(m.positions);
    p.vec(m.triangles);
    p.vec(m.material);
    p.vec(m.normals);
    p.vec(m.uvs);
    p.vec(m.colours);
    p.pod(static_cast<uint64_t>(m.materials.size()));
    for (const model_material &mm : m.materials) {
        p.str(mm.name);
        p.pod(mm.red), p.pod(mm.green), p.pod(mm.blue), p.pod(mm.opacity);
        p.str(mm.texture);
        p.vec(mm.embedded);
        p.pod(static_cast<uint8_t>(mm.from_file | mm.uv << 1 | mm.colours << 2));
    }
    p.str(m.format);
    for (int v : {m.up_axis, m.up_sign, m.front_axis, m.front_sign}) p.pod(static_cast<int32_t>(v));
    return std::move(p.b);
}

bool unpack_model(const std::vector<uint8_t> &b, model_mesh &m) {
    m = model_mesh{};
    unpacker u{b};
    u.vec(m.positions);
    u.vec(m.triangles);
    u.vec(m.material);
    u.vec(m.normals);
    u.vec(m.uvs);
    u.vec(m.colours);
    uint64_t n = 0;
    u.pod(n);
    // Every material takes at least its three counts.
    if (!u.ok || n > (b.size() - u.at) / 24) return false;
    m.materials.resize(n);
    for (model_material &mm : m.materials) {
        u.str(mm.name);
        u.pod(mm.red), u.pod(mm.green), u.pod(mm.blue), u.pod(mm.opacity);
        u.str(mm.texture);
        u.vec(mm.embedded);
        uint8_t flags = 0;
        u.pod(flags);
        mm.from_file = flags & 1, mm.uv = flags & 2, mm.colours = flags & 4;
    }
    u.str(m.format);
    int32_t axes[4] = {};
    for (int32_t &v : axes) u.pod(v);
    m.up_axis = axes[0], m.up_sign = axes[1], m.front_axis = axes[2], m.front_sign = axes[3];
    if (!u.ok || u.at != b.size()) return false;
    // What the callers rely on: triangles over the model's own points, one
    // material of the model per triangle, three normals, texture
    // coordinates and colours per triangle or none, axes that are axes.
    if (m.material.size() != m.triangles.size()) return false;
    for (int k : m.material)
        if (k < 0 || static_cast<size_t>(k) >= m.materials.size()) return false;
    for (size_t count : {m.normals.size(), m.uvs.size(), m.colours.size()})
        if (count != 0 && count != m.triangles.size() * 3) return false;
    if (m.up_axis < -1 || m.up_axis > 2 || m.front_axis < -1 || m.front_axis > 2) return false;
    for (const auto &t : m.triangles)
        for (int p : t)
            if (p < 0 || static_cast<size_t>(p) >= m.positions.size()) return false;
    return true;
}

bool load_model(const std::string &path, model_mesh &m, std::string *err, int seconds) {
    m = model_mesh{};
    int fds[2];
    if (pipe(fds) != 0) return read_model(path, m, err);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return read_model(path, m, err);
    }
    if (pid == 0) {
        // The child: a status byte (1 loaded, 0 refused), then the model or
        // the message. _exit, so nothing of the parent's is flushed or freed
        // twice.
        close(fds[0]);
        // A crash in the library ends the child with its signal, whatever
        // handlers the parent had installed.
        for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) signal(sig, SIG_DFL);
        model_mesh cm;
        std::string cerr;
        std::vector<uint8_t> out(1, 0);
        if (read_model(path, cm, &cerr)) {
            out[0] = 1;
            const std::vector<uint8_t> body = pack_model(cm);
            out.insert(out.end(), body.begin(), body.end());
        } else {
            out.insert(out.end(), cerr.begin(), cerr.end());
        }
        _exit(writeall(fds[1], out) ? 0 : 1);
    }
    close(fds[1]);
    std::vector<uint8_t> in;
    bool timedout = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedout = true;
            break;
        }
        pollfd pf = {fds[0], POLLIN, 0};
        const int r = poll(&pf, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        uint8_t chunk[65536];
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;   // end of file: the child is done (or died)
        in.insert(in.end(), chunk, chunk + n);
    }
    close(fds[0]);
    if (timedout) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedout) {
        if (err) *err = path + ": the import did not finish within " + std::to_string(seconds) + " s (damaged file?)";
        return false;
    }
    if (WIFSIGNALED(status) || in.empty()) {
        if (err)
            *err = path + ": the import library failed on this file" +
                   (WIFSIGNALED(status) ? " (signal " + std::to_string(WTERMSIG(status)) + ")"
                                        : " (exit status " + std::to_string(WEXITSTATUS(status)) + ")");
        return false;
    }
    if (in[0] != 1) {
        if (err) *err = std::string(in.begin() + 1, in.end());
        return false;
    }
    in.erase(in.begin());
    if (!unpack_model(in, m)) {
        m = model_mesh{};
        if (err) *err = path + ": the import gave an unreadable result";
        return false;
    }
    return true;
}

}  // namespace vortella
