#include "CoreDataErrors.h"
