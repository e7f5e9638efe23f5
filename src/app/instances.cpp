#include "app/instances.h"

Editor editor;
