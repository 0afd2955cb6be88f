#include "model/writerlinks.h"

#include "model/maptransform.h"

namespace qzn {

bool ApplyPolynomial(double x, double y, const double* c, const double* d, int type, double& X, double& Y) {
  if (!c || !d) return false;
  if (type == kAffinePolynomial) {
    X = c[0] * x + c[1] * y + c[2];
    Y = d[0] * x + d[1] * y + d[2];
    return true;
  }
  if (type == kBilinearPolynomial) {
    X = c[0] * x + c[1] * y + c[2] * x * y + c[3];
    Y = d[0] * x + d[1] * y + d[2] * x * y + d[3];
    return true;
  }
  return false;
}

}  // namespace qzn
