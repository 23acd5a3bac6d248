// Draws the skin images and the window icon of the resource package, and the application
// icon at the desktop's icon sizes. Run it through scripts/draw-uires, which builds it and
// writes into frontend/uires/image/ and packaging/icons/hicolor/; the images are committed,
// so the build needs neither this tool nor a display.
//
// Look: a deep-blue banner with soft light, white line icons on the three action buttons
// (hover: a light tile behind the icon, pressed: a darker tile and the icon 1 px lower,
// disabled: the icon faded), a white content area with light-grey bands.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

namespace {

const QColor kBlueDeep(0x0b, 0x4f, 0xb3);
const QColor kBlue(0x1e, 0x78, 0xd5);
const QColor kBlueLight(0x3a, 0x9b, 0xf0);
const QColor kWhite(0xff, 0xff, 0xff);

QImage Canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

bool Save(const QImage& image, const QString& dir, const char* name) {
  const QString path = dir + "/" + name;
  if (!image.convertToFormat(QImage::Format_ARGB32).save(path)) {
    std::fprintf(stderr, "draw-uires: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

void Smooth(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QPainterPath ShieldPath(const QRectF& r) {
  const qreal cx = r.center().x(), w = r.width(), h = r.height();
  QPainterPath p;
  p.moveTo(cx, r.top());
  p.cubicTo(cx + w * 0.22, r.top() + h * 0.10, r.right() - w * 0.12, r.top() + h * 0.12, r.right(), r.top() + h * 0.14);
  p.lineTo(r.right(), r.top() + h * 0.46);
  p.cubicTo(r.right(), r.top() + h * 0.76, cx + w * 0.24, r.bottom() - h * 0.08, cx, r.bottom());
  p.cubicTo(cx - w * 0.24, r.bottom() - h * 0.08, r.left(), r.top() + h * 0.76, r.left(), r.top() + h * 0.46);
  p.lineTo(r.left(), r.top() + h * 0.14);
  p.cubicTo(r.left() + w * 0.12, r.top() + h * 0.12, cx - w * 0.22, r.top() + h * 0.10, cx, r.top());
  p.closeSubpath();
  return p;
}

void CheckMark(QPainter& p, const QRectF& r, const QColor& color, qreal width) {
  QPainterPath check;
  check.moveTo(r.left() + r.width() * 0.26, r.top() + r.height() * 0.52);
  check.lineTo(r.left() + r.width() * 0.44, r.top() + r.height() * 0.70);
  check.lineTo(r.left() + r.width() * 0.76, r.top() + r.height() * 0.34);
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(check);
}

// The product mark: a white shield with a blue check.
void DrawLogo(QPainter& p, const QRectF& r) {
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, kWhite);
  fill.setColorAt(1, QColor(0xd6, 0xe8, 0xfb));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(ShieldPath(r));
  CheckMark(p, r, kBlue, r.width() * 0.12);
}

// The application icon: the product mark on a blue tile, designed on a 32-unit grid.
QImage AppIcon(int size) {
  QImage icon = Canvas(size, size);
  QPainter p(&icon);
  Smooth(p);
  p.scale(size / 32.0, size / 32.0);
  QLinearGradient disc(0, 0, 32, 32);
  disc.setColorAt(0, kBlueDeep);
  disc.setColorAt(1, kBlueLight);
  p.setPen(Qt::NoPen);
  p.setBrush(disc);
  p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 7, 7);
  DrawLogo(p, QRectF(6, 4, 20, 24));
  p.end();
  return icon;
}

// ---- the action button icons, drawn in white inside a 80 × 60 state ----

using IconPainter = std::function<void(QPainter&)>;

void DrawDriveIcon(QPainter& p) {  // all drives: a disk drive with a shield badge
  const QPen line(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(line);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(19, 9, 38, 26), 4, 4);
  p.drawLine(QPointF(19, 26), QPointF(57, 26));
  p.setPen(Qt::NoPen);
  p.setBrush(kWhite);
  p.drawEllipse(QPointF(50, 30.5), 1.8, 1.8);
  p.drawRoundedRect(QRectF(24, 29.5, 12, 2), 1, 1);
  const QRectF badge(46, 16, 18, 22);
  p.setPen(QPen(kBlueDeep, 2));
  p.setBrush(kWhite);
  p.drawPath(ShieldPath(badge));
  CheckMark(p, badge, kBlue, 2.4);
}

void DrawFolderIcon(QPainter& p) {  // one folder: a folder with a magnifier (drawn 100 wide)
  QPainterPath folder;
  folder.moveTo(30, 12);
  folder.lineTo(42, 12);
  folder.lineTo(46, 16);
  folder.lineTo(68, 16);
  folder.quadTo(71, 16, 71, 19);
  folder.lineTo(71, 34);
  folder.quadTo(71, 37, 68, 37);
  folder.lineTo(30, 37);
  folder.quadTo(27, 37, 27, 34);
  folder.lineTo(27, 15);
  folder.quadTo(27, 12, 30, 12);
  p.setPen(QPen(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawPath(folder);
  p.drawLine(QPointF(27, 21), QPointF(71, 21));
  p.setBrush(kBlueDeep);
  p.setPen(QPen(kWhite, 2.6));
  p.drawEllipse(QPointF(66, 33), 7, 7);
  p.setPen(QPen(kWhite, 3.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(71, 38), QPointF(76, 43));
}

void DrawRestoreIcon(QPainter& p) {  // quarantine restore: a document with a turning arrow
  QPainterPath doc;
  doc.moveTo(27, 8);
  doc.lineTo(43, 8);
  doc.lineTo(52, 17);
  doc.lineTo(52, 38);
  doc.lineTo(27, 38);
  doc.closeSubpath();
  p.setPen(QPen(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawPath(doc);
  p.drawLine(QPointF(43, 8), QPointF(43, 17));
  p.drawLine(QPointF(43, 17), QPointF(52, 17));
  p.setBrush(kBlueDeep);
  p.setPen(QPen(kWhite, 2.2));
  p.drawEllipse(QPointF(52, 33), 9.5, 9.5);
  p.setPen(QPen(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(47, 28, 10, 10), 100 * 16, 270 * 16);
  QPainterPath head;
  head.moveTo(44.5, 27.5);
  head.lineTo(50.0, 28.0);
  head.lineTo(47.0, 32.5);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kWhite);
  p.drawPath(head);
}

// Four states side by side: normal, hover, pressed, disabled. `designWidth` is the width the
// icon was drawn for; it is squeezed into the state so that the element's own width
// (designWidth) shows it undistorted.
QImage ActionButton(const IconPainter& icon, int designWidth) {
  const int w = 80, h = 60;
  QImage strip = Canvas(w * 4, h);
  QPainter p(&strip);
  Smooth(p);
  for (int state = 0; state < 4; ++state) {
    QImage face = Canvas(designWidth, h);
    QPainter f(&face);
    Smooth(f);
    const QRectF tile(4, 1, designWidth - 8, h - 2);
    if (state == 1) {
      f.setPen(QPen(QColor(255, 255, 255, 90), 1));
      f.setBrush(QColor(255, 255, 255, 46));
      f.drawRoundedRect(tile, 8, 8);
    } else if (state == 2) {
      f.setPen(Qt::NoPen);
      f.setBrush(QColor(0, 20, 60, 60));
      f.drawRoundedRect(tile, 8, 8);
      f.translate(0, 1);
    }
    if (state == 3) f.setOpacity(0.4);
    f.translate((designWidth - 80) / 2.0, 0);
    icon(f);
    f.end();
    p.drawImage(QRectF(state * w, 0, w, h), face);
  }
  return strip;
}

// A small caption button: `glyph` drawn in each state's box.
QImage CaptionButton(int stateWidth, int totalWidth, const QColor& hover, const QColor& pressed,
                     const std::function<void(QPainter&, const QRectF&)>& glyph) {
  QImage strip = Canvas(totalWidth, 16);
  QPainter p(&strip);
  Smooth(p);
  for (int state = 0; state < 4; ++state) {
    const QRectF box(state * stateWidth, 0, stateWidth, 16);
    p.setOpacity(state == 3 ? 0.4 : 1.0);
    if (state == 1 || state == 2) {
      p.setPen(Qt::NoPen);
      p.setBrush(state == 1 ? hover : pressed);
      p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    glyph(p, box);
  }
  return strip;
}

QImage Banner() {
  QImage image = Canvas(825, 106);
  QPainter p(&image);
  Smooth(p);
  QLinearGradient base(0, 0, 825, 106);
  base.setColorAt(0, kBlueDeep);
  base.setColorAt(0.55, kBlue);
  base.setColorAt(1, kBlueLight);
  p.fillRect(image.rect(), base);
  // Soft light from the top right and two large faint rings.
  QRadialGradient light(QPointF(700, -20), 320);
  light.setColorAt(0, QColor(255, 255, 255, 70));
  light.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(image.rect(), light);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 22), 18));
  p.drawEllipse(QPointF(760, 110), 120, 120);
  p.setPen(QPen(QColor(255, 255, 255, 14), 10));
  p.drawEllipse(QPointF(70, 150), 140, 140);
  // A thin lighter line at the bottom edge.
  p.fillRect(QRect(0, 105, 825, 1), QColor(255, 255, 255, 60));
  return image;
}

QImage Shadow() {
  QImage image = Canvas(210, 143);
  QPainter p(&image);
  Smooth(p);
  p.setPen(Qt::NoPen);
  const QRectF core(5, 3, 200, 133);
  for (int step = 7; step >= 1; --step) {
    const qreal k = step / 7.0;
    p.setBrush(QColor(0, 30, 80, 10));
    p.drawRoundedRect(core.adjusted(-5 * k, -3 * k, 5 * k, 7 * k), 6 + step, 6 + step);
  }
  p.setBrush(kWhite);
  p.drawRect(core);
  return image;
}

QImage VerticalBand(int w, int h, const QColor& top, const QColor& bottom, const QColor& lastRow) {
  QImage image = Canvas(w, h);
  QPainter p(&image);
  QLinearGradient band(0, 0, 0, h);
  band.setColorAt(0, top);
  band.setColorAt(1, bottom);
  p.fillRect(image.rect(), band);
  if (lastRow.isValid()) p.fillRect(QRect(0, h - 1, w, 1), lastRow);
  return image;
}

}  // namespace

// The application icon for the desktop menus: <hicolor>/<N>x<N>/apps/quorvane.png.
int DrawDesktopIcons(const QString& hicolor) {
  bool ok = true;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(hicolor).arg(size);
    QDir().mkpath(dir);
    ok &= Save(AppIcon(size), dir, "quorvane.png");
  }
  return ok ? 0 : 1;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc == 3 && QByteArray(argv[1]) == "--icons") return DrawDesktopIcons(QString::fromLocal8Bit(argv[2]));
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw-uires OUTPUT_FOLDER | draw-uires --icons HICOLOR_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  bool ok = true;

  ok &= Save(VerticalBand(960, 540, kWhite, QColor(0xf6, 0xf9, 0xfc), QColor()), out, "white_bg.png");
  ok &= Save(Shadow(), out, "shadow.png");
  ok &= Save(Banner(), out, "_top.png");

  ok &= Save(CaptionButton(16, 64, QColor(0xe8, 0x11, 0x23), QColor(0xb0, 0x0c, 0x1a),
                           [](QPainter& p, const QRectF& b) {
                             p.setPen(QPen(kWhite, 1.6, Qt::SolidLine, Qt::RoundCap));
                             p.drawLine(b.topLeft() + QPointF(4.5, 4.5), b.topLeft() + QPointF(11.5, 11.5));
                             p.drawLine(b.topLeft() + QPointF(11.5, 4.5), b.topLeft() + QPointF(4.5, 11.5));
                           }),
             out, "_close.png");
  ok &= Save(CaptionButton(17, 71, QColor(255, 255, 255, 60), QColor(255, 255, 255, 100),
                           [](QPainter& p, const QRectF& b) {
                             p.setPen(QPen(kWhite, 1.6, Qt::SolidLine, Qt::RoundCap));
                             p.drawLine(b.topLeft() + QPointF(4.5, 8.5), b.topLeft() + QPointF(12.5, 8.5));
                           }),
             out, "_min.png");

  {
    QImage logo = Canvas(36, 34);
    QPainter p(&logo);
    Smooth(p);
    DrawLogo(p, QRectF(5, 2, 26, 30));
    p.end();
    ok &= Save(logo, out, "_logo.png");
  }
  ok &= Save(ActionButton(DrawDriveIcon, 80), out, "_alldisk.png");
  ok &= Save(ActionButton(DrawFolderIcon, 100), out, "_directory.png");  // shown 100 wide
  ok &= Save(ActionButton(DrawRestoreIcon, 80), out, "_file.png");

  {
    QImage search = Canvas(19, 19);
    QPainter p(&search);
    Smooth(p);
    p.setPen(QPen(kBlue, 2.2));
    p.setBrush(QColor(0x1e, 0x78, 0xd5, 36));
    p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
    p.setPen(QPen(kBlue, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(16.5, 16.5));
    p.end();
    ok &= Save(search, out, "_search.png");
  }
  // Progress track and bar: only horizontal bands, so that stretching them keeps the look.
  ok &= Save(VerticalBand(71, 9, QColor(0xdc, 0xe4, 0xee), QColor(0xea, 0xef, 0xf5), QColor(0xf4, 0xf7, 0xfa)), out,
             "_progressbk.png");
  ok &= Save(VerticalBand(74, 8, QColor(0x4c, 0xa6, 0xf5), QColor(0x16, 0x6f, 0xd0), QColor()), out, "_progressqk.png");
  ok &= Save(VerticalBand(85, 1, QColor(0xdd, 0xe5, 0xef), QColor(0xdd, 0xe5, 0xef), QColor()), out, "_footer.png");
  ok &= Save(VerticalBand(825, 27, QColor(0xfa, 0xfb, 0xfd), QColor(0xec, 0xf1, 0xf7), QColor(0xd5, 0xde, 0xea)), out,
             "_tab.png");
  ok &= Save(VerticalBand(1, 16, QColor(0xd5, 0xde, 0xea, 0), QColor(0xb8, 0xc6, 0xd8), QColor()), out, "_hr.png");
  {
    // A vertical scroll bar strip (four 20-pixel states); no skin uses it.
    QImage bar = Canvas(80, 30);
    QPainter p(&bar);
    Smooth(p);
    const QColor shades[4] = {QColor(0xc8, 0xd3, 0xe0), QColor(0xa9, 0xbb, 0xd1), QColor(0x8a, 0xa2, 0xc0),
                              QColor(0xe2, 0xe8, 0xef)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
      p.setBrush(shades[i]);
      p.drawRoundedRect(QRectF(i * 20 + 5, 2, 10, 26), 5, 5);
    }
    p.end();
    ok &= Save(bar, out, "_scroll_v.png");
  }
  ok &= Save(AppIcon(32), out, "Logo.ico");
  return ok ? 0 : 1;
}
