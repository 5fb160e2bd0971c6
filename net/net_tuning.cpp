#include "net/net_tuning.h"

NetTuning g_netTuning;
