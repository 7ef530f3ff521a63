#pragma once
// The tunnel's nodes traced literally (two arc tangents and a cosine per
// node): TunnelMapper::traceNodes gives exactly these nodes.
#include <cstdint>

#include "effects/tunnel/tunnel_mapper.h"

void traceNodesReference(TunnelMapper& mapper, int32_t phase);
