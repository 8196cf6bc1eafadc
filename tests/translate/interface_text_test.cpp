// The rules for interface texts, row by row: the text a control holds, the
// cores sent to the translator (none: nothing is sent), what the
// translator answers, and what is written back ("": the control keeps its
// text).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translate/interface_translation.h"

namespace {

struct Row {
  std::string text;
  std::vector<std::string> sent;  // the cores, in order; none: not sent
  std::string answer;             // to every core but "Frobnicate" (given back as it went)
  std::string written;
};

const Row kRows[] = {
    // Access keys: sent without "&", written in brackets with the letter.
    {"&Open", {"Open"}, "打开", "打开(&O)"},
    {"E&xit", {"Exit"}, "退出", "退出(&X)"},
    {"Save &As...", {"Save As"}, "另存为", "另存为(&A)..."},
    {"&open", {"open"}, "打开", "打开(&O)"},
    {"&1 Recent", {"1 Recent"}, "最近", "最近(&1)"},
    {"Open(&O)", {"Open"}, "打开", "打开(&O)"},
    {"Open (&o)...", {"Open"}, "打开", "打开(&O)..."},
    {"Open...(&O)", {"Open"}, "打开", "打开...(&O)"},
    {"&Open", {"Open"}, "&打开", "打开(&O)"},  // an "&" the translator added
    {"Cut && Paste", {"Cut & Paste"}, "剪切 & 粘贴", "剪切 && 粘贴"},
    {"&Save && Exit", {"Save & Exit"}, "保存并退出", "保存并退出(&S)"},
    {"Tom & Jerry", {"Tom & Jerry"}, "汤姆 & 杰瑞", "汤姆 & 杰瑞"},
    // Shortcuts after a tab stay as they are.
    {"&Open...\tCtrl+O", {"Open"}, "打开", "打开(&O)...\tCtrl+O"},
    {"Find Next\tF3", {"Find Next"}, "查找下一个", "查找下一个\tF3"},
    {"Select All\tCtrl+A\tx", {"Select All"}, "全选", "全选\tCtrl+A\tx"},
    // Placeholders travel masked and must all come back.
    {"%d files", {"QZX0 files"}, "QZX0 个文件", "%d 个文件"},
    {"%d files", {"QZX0 files"}, "qzx0 个文件", "%d 个文件"},
    {"%d files", {"QZX0 files"}, "% d 个文件", ""},
    {"%d files", {"QZX0 files"}, "QZX0 个文件 QZX0", ""},
    {"%d files", {"QZX0 files"}, "QZX0 个文件 QZX7", ""},
    {"%d files", {"QZX0 files"}, "QZX0 个文件 %s", ""},
    {"Copying %s to %s", {"Copying QZX0 to QZX1"}, "正在将 QZX0 复制到 QZX1", "正在将 %s 复制到 %s"},
    // printf takes its arguments in order: swapped ones would crash it.
    {"%s has %d items", {"QZX0 has QZX1 items"}, "QZX1 个项目在 QZX0", ""},
    {"Copying %1 to %2", {"Copying QZX0 to QZX1"}, "复制到 QZX1 的 QZX0", "复制到 %2 的 %1"},
    {"{0} of {1}", {"QZX0 of QZX1"}, "第 QZX0 个，共 QZX1 个", "第 {0} 个，共 {1} 个"},
    {"{0} of {1}", {"QZX0 of QZX1"}, "{ 0 } 的 { 1 }", ""},
    {"Name %-10s, %ls of {0} ({name}) %1!s!", {"Name QZX0, QZX1 of QZX2 (QZX3) QZX4"},
     "名称 QZX0，QZX2 的 QZX1（QZX3）QZX4", "名称 %-10s，{0} 的 %ls（{name}）%1!s!"},
    {"Page %2$d of %1$d", {"Page QZX0 of QZX1"}, "第 QZX0 页，共 QZX1 页", "第 %2$d 页，共 %1$d 页"},
    {"100%% done", {"100QZX0 done"}, "100QZX0 完成", "100%% 完成"},
    {"50% discount", {"50% discount"}, "五折", "五折"},
    {"Use {{braces}}", {"Use {{braces}}"}, "使用 {{braces}}", "使用 {{braces}}"},
    // A text holding the marker word, or a digit right after a placeholder,
    // goes unmasked and must keep its placeholders.
    {"%d5 items", {"%d5 items"}, "%d5 项", "%d5 项"},
    {"QZX %d", {"QZX %d"}, "QZX %d 个", "QZX %d 个"},
    {"QZX %d", {"QZX %d"}, "QZX % d 个", ""},
    // Ends of texts.
    {"  Name:  ", {"Name"}, "名称", "  名称:  "},
    {"Name：", {"Name"}, "名称：", "名称："},
    {"Name:", {"Name"}, "名称：", "名称:"},
    {"Loading…", {"Loading"}, "正在加载…", "正在加载…"},
    {" Please wait... ", {"Please wait"}, "请稍候。", " 请稍候... "},
    {"　Options", {"Options"}, " 选项 ", "　选项"},
    // Nothing usable came: the control keeps its text.
    {"Open", {"Open"}, "", ""},
    {"Open", {"Open"}, "打开\r\n文件", ""},
    {"Frobnicate", {"Frobnicate"}, "", ""},
    {"&Frobnicate", {"Frobnicate"}, "", ""},
    // Language, sent.
    {"Yes/No", {"Yes/No"}, "是/否", "是/否"},
    {"Version 2.0", {"Version 2.0"}, "版本 2.0", "版本 2.0"},
    {"OK", {"OK"}, "确定", "确定"},
    {"淺色", {"淺色"}, "浅色", "浅色"},  // its first character ends in a backslash byte
    {"See readme.txt first", {"See readme.txt first"}, "请先阅读 readme.txt", "请先阅读 readme.txt"},
    // Data, never sent.
    {"readme.txt", {}, "", ""},
    {"Annual report 2024.XLSX", {}, "", ""},
    {"报告.docx", {}, "", ""},
    {"C:\\Program Files\\Demo", {}, "", ""},
    {"D:/work/out", {}, "", ""},
    {"\\\\server\\share", {}, "", ""},
    {"%APPDATA%\\Demo", {}, "", ""},
    {"/usr/share/doc", {}, "", ""},
    {"..\\bin", {}, "", ""},
    {"docs\\guide", {}, "", ""},
    {"https://example.com/a?b=1", {}, "", ""},
    {"www.example.com", {}, "", ""},
    {"user@example.com", {}, "", ""},
    {"12345", {}, "", ""},
    {"3.14", {}, "", ""},
    {"---", {}, "", ""},
    {"- 42 -", {}, "", ""},
    {"2026-12-08", {}, "", ""},
    {"12/08/2026 10:05 PM", {}, "", ""},
    {"2026-12-08T10:05:00Z", {}, "", ""},
    {"10:05:30 UTC", {}, "", ""},
    {"2026年12月8日", {}, "", ""},
    {"v1.2.3", {}, "", ""},
    {"1.2.3-beta", {}, "", ""},
    {"V2.0b3", {}, "", ""},
    {"camelCase", {}, "", ""},
    {"WordPad", {}, "", ""},
    {"max_count", {}, "", ""},
    {"IDC_STATIC", {}, "", ""},
    {"System.IO.File", {}, "", ""},
    {"0x1F", {}, "", ""},
    {"X", {}, "", ""},
    {"是", {}, "", ""},
    {"&A", {}, "", ""},
    {"%s", {}, "", ""},
    {"%d%%", {}, "", ""},
    {"{0}: {1}", {}, "", ""},
    {"...", {}, "", ""},
    {"  ", {}, "", ""},
    // Lines of one text are prepared one by one; a data line stays.
    {"Exit\r\nreadme.txt", {"Exit"}, "退出", "退出\r\nreadme.txt"},
    {"Frobnicate\nE&xit", {"Frobnicate", "Exit"}, "退出", "Frobnicate\n退出(&X)"},
};

TEST(InterfaceTextTest, SendsTheCoreAndPutsTheRestBackAroundTheTranslation) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.text);
    std::vector<std::string> sent;
    const std::vector<std::string> written = translate::translate_interface_texts(
        {row.text}, [&](const std::vector<std::string>& cores) {
          sent = cores;
          std::vector<std::string> answers;
          for (const std::string& core : cores) {
            answers.push_back(core == "Frobnicate" ? "frobnicate " : row.answer);
          }
          return answers;
        });
    EXPECT_EQ(sent, row.sent);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], row.written);
  }
}

TEST(InterfaceTextTest, EachCoreIsAskedForOnceAndAMissingAnswerKeepsTheText) {
  std::vector<std::string> sent;
  const std::vector<std::string> written = translate::translate_interface_texts(
      {"&Open", {"Open\tCtrl+O"}, "readme.txt", "Save", "Open:\r\nSave"},
      [&](const std::vector<std::string>& cores) {
        sent = cores;
        return std::vector<std::string>{"打开"};  // nothing for "Save"
      });
  EXPECT_EQ(sent, (std::vector<std::string>{"Open", "Save"}));
  EXPECT_EQ(written, (std::vector<std::string>{"打开(&O)", "打开\tCtrl+O", "", "", ""}));
}

TEST(InterfaceTextTest, OneTextAtATimeStopsAtTheFirstCoreWithoutAnAnswer) {
  std::vector<std::string> asked;
  const auto translator = [&](const std::string& core) {
    asked.push_back(core);
    return core == "Open" ? std::string("打开") : std::string();
  };
  EXPECT_EQ(translate::translate_interface_text("&Open...", translator), "打开(&O)...");
  EXPECT_EQ(translate::translate_interface_text("Save\nOpen\nExit", translator), "");
  EXPECT_EQ(translate::translate_interface_text("C:\\Windows", translator), "");
  EXPECT_EQ(asked, (std::vector<std::string>{"Open", "Save"}));
}

}  // namespace
