// Built by the layering tests only, with the include paths of one layer.
#include IRX_PROBED_HEADER
