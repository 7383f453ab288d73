#include "previewfixture.h"
