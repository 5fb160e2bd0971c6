// The edge-list models and the first, quadratic builder, which live with
// the benchmark that measures against them (see bench/edge_list_models.h).
#pragma once

#include "bench/edge_list_models.h"
