#pragma once

#include <QByteArray>
#include <QString>

// The files a first start writes, byte for byte. Lines are written here with "\n" and end
// with CR LF in the files.
namespace FirstStartFiles {

inline QByteArray withCrLf(const char* text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

// A preference file as the program writes it, with these element texts put in as given.
inline QByteArray preferenceFile(const QString& folderOpts, const QString& folderPath,
                                 const QString& nameOpts = QStringLiteral("1"),
                                 const QString& suffix = QStringLiteral("_new"),
                                 const QString& format = QStringLiteral("0"),
                                 const QString& quickStart = QStringLiteral("1"))
{
    const QString text = QString::fromUtf8(withCrLf(R"(<?xml version="1.0" encoding="UTF-8"?>
<Preferences>
<OutputFolderOpts>%1</OutputFolderOpts>
<OutputFolderPath>%2</OutputFolderPath>
<OutputFileNameOpts>%3</OutputFileNameOpts>
<OutputFileNameSuffix>%4</OutputFileNameSuffix>
<OutputFormat>%5</OutputFormat>
<JpegQuality>100</JpegQuality>
<OpenQuickStartDlg>%6</OpenQuickStartDlg>
</Preferences>
)"));
    // One pass: a value that holds "%2" stays as it is.
    return text.arg(folderOpts, folderPath, nameOpts, suffix, format, quickStart).toUtf8();
}

// The first start's: the output folder given, the quick start shown at start.
inline QByteArray preferences(const QString& outputFolder)
{
    return preferenceFile(QStringLiteral("0"), outputFolder, QStringLiteral("1"), QStringLiteral("_new"),
                          QStringLiteral("0"), QStringLiteral("0"));
}

inline QByteArray templateList()
{
    return withCrLf(R"(<?xml version="1.0" encoding="UTF-8"?>
<Templates>
<template>Demo 1</template>
</Templates>
)");
}

inline QByteArray demoTemplate()
{
    return withCrLf(R"(<?xml version="1.0" encoding="UTF-8"?>
<Layers>
<layer>Demo 1_Layer 1</layer>
</Layers>
)");
}

// A first layer with the new-template defaults and the default font record.
inline QByteArray layer(const char* text)
{
    return withCrLf(R"(<?xml version="1.0" encoding="UTF-8"?>
<WatermarkConf>
<文本>
<textContent>)") +
           QByteArray(text) + withCrLf(R"(</textContent>
<Font>218,255,255,255,0,0,0,0,0,0,0,0,0,0,0,0,144,1,0,0,0,0,0,0,0,0,0,34,84,0,97,0,104,0,111,0,109,0,97,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0</Font>
<FontPointSize>20</FontPointSize>
<Location>4</Location>
<OffsetH>0</OffsetH>
<OffsetV>0</OffsetV>
<Rotation>30</Rotation>
<Transparency>255</Transparency>
<BAddShadow>0</BAddShadow>
<ShadowH>2</ShadowH>
<ShadowV>2</ShadowV>
<ShadowBR>0</ShadowBR>
<ShadowAlpha>12</ShadowAlpha>
<ShadowColor>8421504</ShadowColor>
<BFillText>1</BFillText>
<TextColor>734110</TextColor>
<BDrawEdge>0</BDrawEdge>
<EdgeColor>32896</EdgeColor>
<EdgeLineThickness>2</EdgeLineThickness>
<EdgeAlpha>255</EdgeAlpha>
<B3DText>0</B3DText>
<TDTextColor>8421504</TDTextColor>
<TDTextOffset>6</TDTextOffset>
<TDTextPos>3</TDTextPos>
<BGradientText>0</BGradientText>
<GradientBeginColor>16776960</GradientBeginColor>
<GradientEndColor>255</GradientEndColor>
<BCoverImage>0</BCoverImage>
<coverImgMethod>0</coverImgMethod>
<ScaleTextWT>1</ScaleTextWT>
</文本>
<图像>
<ImagePathName/>
<ImageLocation>4</ImageLocation>
<ImageOffsetH>0</ImageOffsetH>
<ImageOffsetV>0</ImageOffsetV>
<ImageRotation>0</ImageRotation>
<ImageTransparency>100</ImageTransparency>
<ImageWidth>0</ImageWidth>
<ImageHeight>0</ImageHeight>
<ScaleImgWT>0</ScaleImgWT>
</图像>
</WatermarkConf>
)");
}

} // namespace FirstStartFiles
