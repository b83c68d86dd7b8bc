// CoInitialize / CoUninitialize for ComApartment.
#include <objbase.h>

#include "http/com_apartment.h"

namespace chronalt {

// S_FALSE (already initialised on this thread) still counts and must be balanced.
ComApartment::ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

}  // namespace chronalt
