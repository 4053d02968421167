// Planted for the layer check: a system header outside the system folders.
#include <unistd.h>
