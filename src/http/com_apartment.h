// COM for the current thread for as long as the owner lives: CoInitialize with a null argument
// when it is made, CoUninitialize when it goes, so the pair stays balanced on every path. An
// initialisation that failed is not balanced, since there is nothing to end.
#pragma once

namespace chronalt {

class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_ = false;
};

}  // namespace chronalt
