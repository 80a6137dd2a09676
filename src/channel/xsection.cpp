#include "channel/xsection.hpp"
