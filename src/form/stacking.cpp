#include "form/stacking.h"

#include <utility>
#include <vector>

namespace tarnwick::form {
namespace {

// (zOrder, table position) of the control's container chain, outermost first:
// compared in order, a container's own path is a prefix of its controls' and
// so lies below them.
std::vector<std::pair<int, long>> stackPath(const ControlDesign& control) {
  std::vector<std::pair<int, long>> path;
  for (const ControlDesign* at = &control; at; at = findControl(at->container)) {
    path.insert(path.begin(), {at->zOrder, static_cast<long>(at - controls().data())});
  }
  return path;
}

}  // namespace

bool liesAbove(const ControlDesign& upper, const ControlDesign& lower) {
  return stackPath(lower) < stackPath(upper);
}

bool overlap(const TwipsRect& a, const TwipsRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace tarnwick::form
