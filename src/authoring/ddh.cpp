#include "authoring/ddh.h"

#include <algorithm>
#include <numeric>

#include "pipeline/pipeline.h"

namespace vortella {

void build_ddh(geometry_desc &g) {
    const int n = static_cast<int>(g.triangles.size());
    std::vector<double> centre(n), nearest(n);
    std::vector<int> order(n);
    for (int k = 0; k < 32; ++k) {
        const double dx = ddhvdir[k][0], dy = ddhvdir[k][1], dz = ddhvdir[k][2];
        for (int i = 0; i < n; ++i) {
            const trianglef_s &t = g.triangles[i];
            double d[3];
            const int pts[3] = {t.pt1, t.pt2, t.pt3};
            for (int v = 0; v < 3; ++v) {
                const points_s &p = g.points[pts[v]];
                d[v] = p.x * dx + p.y * dy + p.z * dz;
            }
            // Larger along the direction is nearer the camera.
            centre[i] = d[0] + d[1] + d[2];
            nearest[i] = std::max({d[0], d[1], d[2]});
        }
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int p, int q) {
            if (centre[p] != centre[q]) return centre[p] < centre[q];
            return nearest[p] < nearest[q];
        });
        g.ddh[k] = order;
    }
}

}  // namespace vortella
