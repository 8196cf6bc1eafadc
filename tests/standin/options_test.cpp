#include <gtest/gtest.h>

#include "standin/translate_server.h"
#include "standin/update_server.h"

namespace {

using Args = std::vector<std::string>;

TEST(TranslateOptionsTest, DefaultsAndValues) {
  standin::TranslateOptions options;
  std::string message;
  ASSERT_EQ(standin::parse_translate_options({}, options, message), standin::StartChoice::run);
  EXPECT_EQ(options.port, 8090);
  EXPECT_EQ(options.service.app_id, "20200417000123908");
  EXPECT_EQ(options.service.secret_key, "Kq7TzW2mRp9LxBv4NcHs");
  EXPECT_EQ(options.service.rate_per_second, 0);
  EXPECT_EQ(options.latency_ms, 0);
  EXPECT_TRUE(options.service.force_error.empty());
  EXPECT_EQ(options.service.force_error_count, -1);
  EXPECT_FALSE(options.service.drop_last_result);
  EXPECT_FALSE(options.service.mangle_placeholders);
  EXPECT_EQ(options.service.drop_answer_count, 0);
  EXPECT_TRUE(options.log_path.empty());
  EXPECT_FALSE(options.service.shape.escaped_slashes || options.service.shape.spaced ||
               options.service.shape.numeric_error_code);
  EXPECT_FALSE(options.pacing.never_answer);
  EXPECT_EQ(options.pacing.drip_ms, 0);

  Args args = {"--port", "18090", "--app-id=1",   "--secret-key", "k",
               "--rate", "0.5",   "--latency-ms", "250",          "--force-error",
               "54003",  "--log", "/tmp/x.log",   "--glossary",   "g.tsv",
               "--escaped-slashes", "--spaced-json", "--numeric-error-code",
               "--never-answer", "--drip-ms", "40", "--force-error-count", "2",
               "--drop-last-result", "--mangle-placeholders", "--drop-answer-count", "3",
               "--drop-result-of", "Print", "--drip-head-ms", "9"};
  ASSERT_EQ(standin::parse_translate_options(args, options, message), standin::StartChoice::run)
      << message;
  EXPECT_EQ(options.port, 18090);
  EXPECT_EQ(options.service.app_id, "1");
  EXPECT_EQ(options.service.secret_key, "k");
  EXPECT_DOUBLE_EQ(options.service.rate_per_second, 0.5);
  EXPECT_EQ(options.latency_ms, 250);
  EXPECT_EQ(options.service.force_error, "54003");
  EXPECT_EQ(options.service.force_error_count, 2);
  EXPECT_TRUE(options.service.drop_last_result);
  EXPECT_TRUE(options.service.mangle_placeholders);
  EXPECT_EQ(options.service.drop_answer_count, 3);
  EXPECT_EQ(options.service.drop_result_of, "Print");
  EXPECT_EQ(options.log_path, "/tmp/x.log");
  EXPECT_EQ(options.glossary_path, "g.tsv");
  EXPECT_TRUE(options.service.shape.escaped_slashes);
  EXPECT_TRUE(options.service.shape.spaced);
  EXPECT_TRUE(options.service.shape.numeric_error_code);
  EXPECT_TRUE(options.pacing.never_answer);
  EXPECT_EQ(options.pacing.drip_ms, 40);
  EXPECT_EQ(options.pacing.drip_head_ms, 9);
}

TEST(UpdateOptionsTest, DefaultsAndValues) {
  standin::UpdateOptions options;
  std::string message;
  ASSERT_EQ(standin::parse_update_options({}, options, message), standin::UpdateStartChoice::run);
  EXPECT_EQ(options.port, 8091);
  EXPECT_EQ(options.version, "1.1");
  EXPECT_EQ(options.archive_size, 4u * 1024 * 1024);
  EXPECT_FALSE(options.no_length);
  EXPECT_FALSE(options.ignore_range);
  EXPECT_EQ(options.rate_limit_kbps, 0);

  Args args = {"--port=18091",   "--version",         "2.0", "--archive",
               "a.rar",          "--archive-size",    "123", "--no-length",
               "--ignore-range", "--rate-limit-kbps", "64",  "--log",
               "u.log",          "--never-answer",    "--drip-ms", "7",
               "--drip-head-ms", "5",            "--stall-after",     "200000"};
  ASSERT_EQ(standin::parse_update_options(args, options, message), standin::UpdateStartChoice::run)
      << message;
  EXPECT_EQ(options.port, 18091);
  EXPECT_EQ(options.version, "2.0");
  EXPECT_EQ(options.archive_path, "a.rar");
  EXPECT_EQ(options.archive_size, 123u);
  EXPECT_TRUE(options.no_length);
  EXPECT_TRUE(options.ignore_range);
  EXPECT_EQ(options.rate_limit_kbps, 64);
  EXPECT_EQ(options.log_path, "u.log");
  EXPECT_TRUE(options.pacing.never_answer);
  EXPECT_EQ(options.pacing.drip_ms, 7);
  EXPECT_EQ(options.pacing.drip_head_ms, 5);
  EXPECT_EQ(options.stall_after, 200000u);
}

TEST(OptionsTest, RejectsBadCommandLines) {
  const struct {
    Args args;
    const char* message_part;
  } cases[] = {
      {{"--port", "70000"}, "--port"},
      {{"--port", "80x"}, "--port"},
      {{"--port"}, "needs a value"},
      {{"--rate", "-1"}, "--rate"},
      {{"--latency-ms", "soon"}, "--latency-ms"},
      {{"--drip-ms", "-5"}, "--drip-ms"},
      {{"--force-error-count", "-1"}, "--force-error-count"},
      {{"--drop-last-result=yes"}, "takes no value"},
      {{"--colour", "red"}, "unknown option"},
      {{"port", "1"}, "unexpected argument"},
      {{"--help=yes"}, "takes no value"},
  };
  for (const auto& c : cases) {
    standin::TranslateOptions options;
    std::string message;
    EXPECT_EQ(standin::parse_translate_options(c.args, options, message),
              standin::StartChoice::bad_arguments)
        << c.args[0];
    EXPECT_NE(message.find(c.message_part), std::string::npos) << message;
  }
  const struct {
    Args args;
    const char* message_part;
  } update_cases[] = {
      {{"--archive-size", "-5"}, "--archive-size"},
      {{"--rate-limit-kbps", "fast"}, "--rate-limit-kbps"},
      {{"--no-length=1"}, "takes no value"},
      {{"--drip-ms", "slow"}, "--drip-ms"},
  };
  for (const auto& c : update_cases) {
    standin::UpdateOptions options;
    std::string message;
    EXPECT_EQ(standin::parse_update_options(c.args, options, message),
              standin::UpdateStartChoice::bad_arguments)
        << c.args[0];
    EXPECT_NE(message.find(c.message_part), std::string::npos) << message;
  }
}

TEST(OptionsTest, HelpListsEveryOption) {
  standin::TranslateOptions translate;
  std::string message;
  ASSERT_EQ(standin::parse_translate_options({"--help"}, translate, message),
            standin::StartChoice::show_help);
  for (const char* name : {"--port", "--app-id", "--secret-key", "--rate", "--latency-ms",
                           "--force-error", "--log", "--glossary", "--never-answer", "--drip-ms"}) {
    EXPECT_NE(message.find(name), std::string::npos) << name;
  }
  standin::UpdateOptions update;
  ASSERT_EQ(standin::parse_update_options({"--help"}, update, message),
            standin::UpdateStartChoice::show_help);
  for (const char* name : {"--port", "--version", "--archive", "--archive-size", "--no-length",
                           "--ignore-range", "--rate-limit-kbps", "--log"}) {
    EXPECT_NE(message.find(name), std::string::npos) << name;
  }
}

}  // namespace
