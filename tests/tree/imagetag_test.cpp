// The image tag copied for an image file of the site.
#include "treefixture.h"

#include "tree/imagetag.h"

#include <QGuiApplication>
#include <QImage>

namespace morvane::test {
namespace {

class ImageTagTest : public TreeTest {
protected:
    void png(const QString& relative, int w, int h) {
        mkdir(QFileInfo(relative).path());
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(at(relative), "PNG"));
    }
};

TEST_F(ImageTagTest, PathBelowTheSiteAndPixelSize) {
    png(QStringLiteral("img/logo.png"), 120, 40);
    EXPECT_EQ(imageTag(at("img/logo.png"), site),
              QStringLiteral("<img src='img/logo.png' width='120' height='40'>"));
    // A site folder given with a trailing slash cuts no character more.
    EXPECT_EQ(imageTag(at("img/logo.png"), site + QStringLiteral("/")),
              QStringLiteral("<img src='img/logo.png' width='120' height='40'>"));
}

TEST_F(ImageTagTest, NamesAreKeptAndQuotesCannotEndTheAttribute) {
    png(QStringLiteral("my pics/caf\u00e9 \u00fc.PNG"), 3, 5);
    EXPECT_EQ(imageTag(at("my pics/caf\u00e9 \u00fc.PNG"), site),
              QStringLiteral("<img src='my pics/caf\u00e9 \u00fc.PNG' width='3' height='5'>"));
    png(QStringLiteral(".hidden/it's&more.gif"), 2, 2);
    EXPECT_EQ(imageTag(at(".hidden/it's&more.gif"), site),
              QStringLiteral("<img src='.hidden/it&#39;s&amp;more.gif' width='2' height='2'>"));
}

TEST_F(ImageTagTest, SizeComesFromTheHeaderAlone) {
    // Only the header of a large image: its pixels are never needed.
    png(QStringLiteral("big.png"), 4000, 3000);
    QFile f(at("big.png"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(64));
    f.close();
    EXPECT_EQ(imageTag(at("big.png"), site),
              QStringLiteral("<img src='big.png' width='4000' height='3000'>"));
}

TEST_F(ImageTagTest, NotAnImageGivesNothing) {
    ASSERT_TRUE(writeFile(at("fake.png"), "<html>not a picture</html>"));
    EXPECT_TRUE(imageTag(at("fake.png"), site).isEmpty());
    EXPECT_TRUE(imageTag(at("missing.png"), site).isEmpty());
}

TEST(ImageNameTest, ExtensionsOfferingTheTag) {
    for (const char* yes : {"a.png", "photo.JPG", "x.jpeg", "anim.Gif", ".hidden.png"})
        EXPECT_TRUE(isImageName(QString::fromUtf8(yes))) << yes;
    for (const char* no : {"a.svg", "a.webp", "png", "a.png.html", "folder"})
        EXPECT_FALSE(isImageName(QString::fromUtf8(no))) << no;
}

} // namespace
} // namespace morvane::test
