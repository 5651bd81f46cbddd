#include "common/TestHooks.h"

TestHooks& TheTestHooks() {
  static TestHooks hooks;
  return hooks;
}
