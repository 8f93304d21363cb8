// Builds the protocol headers once with the C++ compiler, so that a definition C++ cannot read
// is found when the protocols are generated rather than in the first file that uses them.
#include "platform/wayland/protocols.h"
