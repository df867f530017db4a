#pragma once
// Sets a flag for the length of one scope: a nested call (cut running
// delete), or a dialog being open (other commands find the editor busy).

namespace kavrel {

class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace kavrel
