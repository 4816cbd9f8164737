// The runtime's picture readers checked against Qt's own: the program's
// GIF and ICO resources, and BMP and JPEG files that Qt writes, decode to
// the same pixels; image controls get their pixmaps through them, a
// damaged picture gives none, and kinds the readers leave alone (PNG) go
// to Qt.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPixmap>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "runtime/image/image.h"
#include "runtime/platform/resource_table.h"
#include "runtime/ui/qt/qt_window.h"

namespace dw::ui::qt {
namespace {

// QPixmap needs the application object; the backend tests, which run
// first, make it (this makes it only when they are filtered out).
void ensureApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

std::vector<std::uint8_t> bytesOf(const QByteArray& a) {
  return {reinterpret_cast<const std::uint8_t*>(a.data()),
          reinterpret_cast<const std::uint8_t*>(a.data()) + a.size()};
}

QByteArray written(const QImage& img, const char* format, int quality = -1) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(img.save(&buffer, format, quality));
  return out;
}

// Compares ours with Qt's decoding of the same bytes; `tolerance` per
// colour channel; fully transparent pixels compare by alpha alone.
void expectSamePicture(const std::vector<std::uint8_t>& bytes, const std::string& what,
                       int tolerance = 0) {
  const image::DecodeResult ours = image::decodeImage(bytes);
  ASSERT_TRUE(ours.ok()) << what << ": " << ours.error;
  const QImage theirs = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()))
                            .convertToFormat(QImage::Format_RGBA8888);
  ASSERT_FALSE(theirs.isNull()) << what;
  ASSERT_EQ(theirs.width(), ours.image.width) << what;
  ASSERT_EQ(theirs.height(), ours.image.height) << what;
  const QImage mine = toQImage(ours.image);
  int differing = 0;
  for (int y = 0; y < mine.height(); ++y) {
    const uchar* a = mine.constScanLine(y);
    const uchar* b = theirs.constScanLine(y);
    for (int x = 0; x < mine.width(); ++x, a += 4, b += 4) {
      if (a[3] == 0 && b[3] == 0) continue;
      // Qt keeps translucent pixels premultiplied, losing precision as
      // alpha falls: compare those premultiplied.
      bool same = a[3] == b[3];
      for (int c = 0; c < 3; ++c) {
        same = same &&
               (a[3] == 255 ? std::abs(a[c] - b[c]) <= tolerance
                            : std::abs(a[c] * a[3] / 255 - b[c] * b[3] / 255) <= tolerance + 1);
      }
      if (!same && ++differing == 1) {
        ADD_FAILURE() << what << ": first difference at " << x << "," << y << ": ours " << int(a[0])
                      << " " << int(a[1]) << " " << int(a[2]) << " " << int(a[3]) << ", Qt's "
                      << int(b[0]) << " " << int(b[1]) << " " << int(b[2]) << " " << int(b[3]);
      }
    }
  }
  EXPECT_EQ(0, differing) << what;
}

TEST(QtImages, ProgramGifsAndIconsDecodeAsQtDecodesThem) {
  int checked = 0;
  for (const char* type : {"IMAGE", "ICON"}) {
    for (const res::Resource* r : res::resourcesOfType(type)) {
      const std::vector<std::uint8_t> bytes(r->bytes.begin(), r->bytes.end());
      if (image::detectFormat(bytes) == image::ImageFormat::Unknown) continue;
      expectSamePicture(bytes, std::string(r->name));
      ++checked;
    }
  }
  EXPECT_GE(checked, 20);
}

QImage testPattern(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x ^ y) & 255));
  return img;
}

TEST(QtImages, BmpAndJpegWrittenByQtDecodeAlike) {
  expectSamePicture(bytesOf(written(testPattern(13, 7), "BMP")), "24-bit BMP");
  QImage indexed = testPattern(9, 5).convertToFormat(QImage::Format_Indexed8);
  expectSamePicture(bytesOf(written(indexed, "BMP")), "8-bit BMP");
  expectSamePicture(bytesOf(written(testPattern(40, 24), "JPEG", 90)), "JPEG", 2);
}

class PixmapFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureApplication();
    m_dir = std::filesystem::temp_directory_path() / ("dw_qt_images_" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string write(const std::string& name, const QByteArray& bytes) {
    const std::string path = (m_dir / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
    return path;
  }
  std::filesystem::path m_dir;
};

TEST_F(PixmapFiles, ResourcesFilesDamageAndOtherKinds) {
  const QPixmap resource = pixmapFor("TIMEPIEC.GIF");
  EXPECT_EQ(QSize(48, 48), resource.size());
  EXPECT_EQ(QSize(32, 32), pixmapFor("~WIZARD.ICO").size());
  // A GIF file, whole and cut in half (Qt writes no GIF: take the program's).
  const res::Resource* wrench = res::findResource("IMAGE", "WRENCH_GIF");
  ASSERT_NE(nullptr, wrench);
  const QByteArray gif(reinterpret_cast<const char*>(wrench->bytes.data()),
                       static_cast<qsizetype>(wrench->bytes.size()));
  EXPECT_EQ(QSize(32, 32), pixmapFor(write("WHOLE.GIF", gif)).size());
  EXPECT_TRUE(pixmapFor(write("HALF.GIF", gif.left(gif.size() / 2))).isNull());
  const QByteArray bmp = written(testPattern(20, 10), "BMP");
  EXPECT_TRUE(pixmapFor(write("HALF.BMP", bmp.left(bmp.size() - 30))).isNull());
  // PNG is not one of the runtime's formats: Qt reads it.
  EXPECT_EQ(QSize(20, 10), pixmapFor(write("PIC.PNG", written(testPattern(20, 10), "PNG"))).size());
  EXPECT_TRUE(pixmapFor("missing.gif").isNull());
}

}  // namespace
}  // namespace dw::ui::qt
