#include "engine/core/ScopedOverride.h"

#include <gtest/gtest.h>

namespace glyphon {
namespace {

struct Greeter {
  virtual ~Greeter() = default;
  [[nodiscard]] virtual int id() const = 0;
};

struct NumberedGreeter final : Greeter {
  explicit NumberedGreeter(int n) : n(n) {}
  [[nodiscard]] int id() const override { return n; }
  int n;
};

// A second interface, so that its seam is seen to be apart from Greeter's.
struct Clock {
  virtual ~Clock() = default;
};

NumberedGreeter g_default(0);

int current() { return ScopedOverride<Greeter>::currentOr(g_default).id(); }

TEST(ScopedOverride, ReplacesTheDefaultForItsLifetimeAndNests) {
  NumberedGreeter first(1), second(2);
  EXPECT_EQ(current(), 0);
  {
    const ScopedOverride<Greeter> outer(first);
    EXPECT_EQ(current(), 1);
    {
      const ScopedOverride<Greeter> inner(second);
      EXPECT_EQ(current(), 2);
    }
    EXPECT_EQ(current(), 1);
    // The same replacement twice is no special case.
    {
      const ScopedOverride<Greeter> again(first);
      EXPECT_EQ(current(), 1);
    }
    EXPECT_EQ(current(), 1);
  }
  EXPECT_EQ(current(), 0);
}

TEST(ScopedOverride, EachInterfaceHasItsOwnSeam) {
  struct NamedClock final : Clock {};
  NamedClock fallback, replacement;
  NumberedGreeter greeter(7);
  const ScopedOverride<Greeter> useGreeter(greeter);
  EXPECT_EQ(&ScopedOverride<Clock>::currentOr(fallback), &fallback);
  {
    const ScopedOverride<Clock> useClock(replacement);
    EXPECT_EQ(&ScopedOverride<Clock>::currentOr(fallback), &replacement);
    EXPECT_EQ(current(), 7);
  }
  EXPECT_EQ(&ScopedOverride<Clock>::currentOr(fallback), &fallback);
  EXPECT_EQ(current(), 7);
}

}  // namespace
}  // namespace glyphon
