#include "digital/DigitalForms.h"
