// The import from web addresses against a real web server on the loopback address, started
// and stopped by the tests: pages downloaded as a browser would (redirects, gzip, cookies,
// a browser's user agent), the reasons a page is not imported, and recipes dropped on the
// tree going into the category they landed on.
#include "ui/GuiTestSupport.h"

#include "platform/web/PageDownloader.h"
#include "ui/web/LocalWebServer.h"
#include "ui/web/WebImportController.h"

#include <QMimeData>

namespace savrona::testing {
namespace {

class WebImportTest : public MainWindowTest {
protected:
    static void SetUpTestSuite() { server = new LocalWebServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->isUp());
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        start();
        controller = window->findChild<WebImportController*>();
        ASSERT_NE(controller, nullptr);
    }

    static LocalWebServer* server;
    WebImportController* controller = nullptr;
};

LocalWebServer* WebImportTest::server = nullptr;

struct PageCase {
    const char* path;
    const char* title;   // of the recipe read; "" when none
    const char* problem; // a part of the problem told; "" when none
};

class WebPages : public WebImportTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(WebPages, AreDownloadedAsABrowserWouldOrToldWhyNot) {
    const PageCase& page = GetParam();
    const QString address = server->address(page.path);
    const auto batch = controller->readPages({address});
    ASSERT_TRUE(batch);
    if (QByteArray(page.title).isEmpty()) {
        EXPECT_TRUE(batch->recipes.empty());
    } else {
        ASSERT_EQ(batch->recipes.size(), 1u);
        EXPECT_EQ(batch->recipes.front().title, page.title);
        EXPECT_TRUE(batch->recipes.front().file.startsWith("http://127.0.0.1:"));
        ASSERT_TRUE(batch->recipes.front().notes);
        EXPECT_TRUE(batch->recipes.front().notes->startsWith("http://127.0.0.1:"));
    }
    if (QByteArray(page.problem).isEmpty()) {
        EXPECT_TRUE(batch->problems.empty());
    } else {
        ASSERT_FALSE(batch->problems.empty());
        EXPECT_TRUE(batch->problems.front().file.startsWith(address));
        EXPECT_TRUE(batch->problems.front().message.contains(page.problem))
            << batch->problems.front().message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Server, WebPages,
                         ::testing::Values(PageCase{"/pie.html", "Shoofly Pie", ""},
                                           PageCase{"/redirect/3", "Shoofly Pie", ""},
                                           PageCase{"/gzip.html", "Shoofly Pie", ""},
                                           PageCase{"/cookie", "Shoofly Pie", ""},
                                           PageCase{"/agent.html", "Shoofly Pie", ""},
                                           PageCase{"/redirect/12", "", "too many times"},
                                           PageCase{"/missing", "", "not found (404)"},
                                           PageCase{"/plain.html", "", "Recipe"}));

TEST_F(WebImportTest, ASlowOrHugePageIsGivenUpWithItsReason) {
    PageDownloader downloader({10, std::chrono::milliseconds(500), 1024 * 1024});
    EXPECT_TRUE(downloader.download(server->address("/slow"), {}).failure.contains("within"));
    EXPECT_TRUE(downloader.download(server->address("/huge"), {}).failure.contains("larger"));
    EXPECT_TRUE(downloader.download("ftp://127.0.0.1/pie", {}).failure.contains("no web address"));
    const auto refused = downloader.download("http://127.0.0.1:1/pie", {});
    EXPECT_TRUE(refused.failure.contains("refused")) << refused.failure.toStdString();
}

TEST_F(WebImportTest, ALinkDroppedOnACategoryImportsIntoIt) {
    QMimeData link;
    link.setUrls({QUrl(server->address("/pie.html"))});
    answerSummary("&Import");
    controller->importDropped(link, "Breads");
    TreeNode* pie = node("Shoofly Pie");
    ASSERT_NE(pie, nullptr);
    EXPECT_EQ(pie->parent->text, "Breads");
    EXPECT_EQ(storedField("Shoofly Pie", "Notes"), server->address("/pie.html"));
}

struct AddressCase {
    const char* text;
    const char* url; // "" when it is no web address
};

class WebAddresses : public ::testing::TestWithParam<AddressCase> {};

TEST_P(WebAddresses, AreMadeWholeOrRefused) {
    EXPECT_EQ(PageDownloader::webAddress(GetParam().text).toString(), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WebAddresses,
    ::testing::Values(AddressCase{"https://example.com/pie", "https://example.com/pie"},
                      AddressCase{"  http://example.com/a b ", "http://example.com/a b"},
                      AddressCase{"example.com/pie", "https://example.com/pie"},
                      AddressCase{"file:///etc/passwd", ""}, AddressCase{"", ""},
                      AddressCase{"javascript:alert(1)", ""}));

TEST(WebAddressList, OneALineBlanksLeftOut) {
    EXPECT_EQ(webAddressesIn(" a.com/1 \n\n\tb.com/2\r\n"), QStringList({"a.com/1", "b.com/2"}));
}

} // namespace
} // namespace savrona::testing
