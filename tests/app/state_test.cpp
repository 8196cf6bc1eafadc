// The application state shared between threads, and the version gate.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/state.h"
#include "app/version_gate.h"

namespace {

TEST(VersionGateTest, FiresOnlyForAKnownNewerServerVersion) {
  struct Case {
    float server, own;
    bool fires;
  } const cases[] = {
      {0.0f, 0.0f, false},         // the check has not answered yet
      {1.0f, 1.0f, false},         // same version
      {0.00000005f, 0.0f, false},  // not above the epsilon
      {1.1f, 1.0f, true},
      {1.0f, 1.1f, false},
      {2.0f, 0.0f, true},          // newer, own version not yet known
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.server << " vs " << c.own);
    EXPECT_EQ(app::version_gate_fires(c.server, c.own), c.fires);
  }
}

TEST(SharedTextTest, ReadersSeeOnlyWholeTextsWhileAnotherThreadReplacesThem) {
  app::SharedText text;
  const std::vector<std::string> values = {"auto", std::string(300, 'x'), "", "中文",
                                           std::string(5000, 'y')};
  text.set(values[0]);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop; ++i) text.set(values[i % values.size()]);
  });
  int unexpected = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string seen = text.get();
    bool known = false;
    for (const std::string& v : values) known = known || seen == v;
    if (!known) ++unexpected;
  }
  stop = true;
  writer.join();
  EXPECT_EQ(unexpected, 0);
}

TEST(AppStateTest, ExitRoutineEmptiesTheTextsAndDropsTheThreadHandle) {
  app::AppState& s = app::state();
  s.app_id.set("20200417000123908");
  s.secret_key.set("key");
  s.source_language.set("auto");
  s.target_language.set("zh");
  s.update_page_text.set("page");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  s.harvest_thread.replace(platform::KernelHandle(event));
  EXPECT_EQ(s.harvest_thread.get(), event);
  app::release_state();
  for (const app::SharedText* t : {&s.app_id, &s.secret_key, &s.source_language,
                                   &s.target_language, &s.update_page_text}) {
    EXPECT_EQ(t->get(), "");
  }
  EXPECT_EQ(s.harvest_thread.get(), nullptr);
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(event, &flags));  // closed exactly once, by its owner
}

}  // namespace
