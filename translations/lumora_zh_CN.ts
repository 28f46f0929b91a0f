<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>CBaseDlgUI</name>
    <message>
        <source>The window %1 cannot be built.</source>
        <translation>无法创建窗口 %1。</translation>
    </message>
</context>
<context>
    <name>CGeneralConfDlg</name>
    <message>
        <source>Select a folder</source>
        <translation>选择文件夹</translation>
    </message>
</context>
<context>
    <name>CHyperLink</name>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>无法打开链接：

</translation>
    </message>
    <message>
        <source>The operating system is out
of memory or resources.</source>
        <translation>操作系统的内存
或资源不足。</translation>
    </message>
    <message>
        <source>The specified file was not found.</source>
        <translation>找不到指定的文件。</translation>
    </message>
    <message>
        <source>The specified path was not found.</source>
        <translation>找不到指定的路径。</translation>
    </message>
    <message>
        <source>The operating system denied
access to the specified file.</source>
        <translation>操作系统拒绝
访问指定的文件。</translation>
    </message>
    <message>
        <source>There was not enough memory to complete the operation.</source>
        <translation>内存不足，无法完成该操作。</translation>
    </message>
    <message>
        <source>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</source>
        <translation>该 .EXE 文件无效
（不是 Win32 .EXE 文件，或 .EXE 映像有错误）。</translation>
    </message>
    <message>
        <source>A sharing violation occurred.</source>
        <translation>发生共享冲突。</translation>
    </message>
    <message>
        <source>The filename association is
incomplete or invalid.</source>
        <translation>文件关联
不完整或无效。</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because the request timed out.</source>
        <translation>请求超时，
DDE 事务无法完成。</translation>
    </message>
    <message>
        <source>The DDE transaction failed.</source>
        <translation>DDE 事务失败。</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because other DDE transactions
were being processed.</source>
        <translation>其他 DDE 事务正在处理，
DDE 事务无法完成。</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>没有与该文件扩展名
关联的应用程序。</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>找不到指定的动态链接库。</translation>
    </message>
    <message>
        <source>Unknown Error (%1) occurred.</source>
        <translation>发生未知错误（%1）。</translation>
    </message>
</context>
<context>
    <name>COutputPreviewDlg</name>
    <message>
        <source>This is the first one.</source>
        <translation>这是第一张。</translation>
    </message>
    <message>
        <source>This is the last one.</source>
        <translation>这是最后一张。</translation>
    </message>
</context>
<context>
    <name>FailureReason</name>
    <message>
        <source>the %1 has no usable file name</source>
        <translation>%1没有可用的文件名</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>文件不存在</translation>
    </message>
    <message>
        <source>it is a link to nothing</source>
        <translation>它是一个指向不存在目标的链接</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>它不是普通文件</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>权限不足</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>文件是空的</translation>
    </message>
    <message>
        <source>it is damaged (not well-formed XML)</source>
        <translation>文件已损坏（不是格式正确的 XML）</translation>
    </message>
    <message>
        <source>it has no &lt;%1&gt; element</source>
        <translation>文件中没有 &lt;%1&gt; 元素</translation>
    </message>
    <message>
        <source>the %1 file %2 cannot be read: %3</source>
        <translation>无法读取%1的文件 %2：%3</translation>
    </message>
    <message>
        <source>output settings</source>
        <translation>输出设置</translation>
    </message>
    <message>
        <source>the sizes cannot be stored in %1</source>
        <translation>无法将尺寸写入 %1</translation>
    </message>
    <message>
        <source>the resize settings have an unknown ScaleType %1 (1 scales by the width, 2 by the height, 3 to both); choose one in the resizing window</source>
        <translation>调整尺寸设置中的 ScaleType %1 无法识别（1 按宽度缩放，2 按高度缩放，3 缩放到宽度和高度）；请在调整尺寸窗口中选择一种</translation>
    </message>
    <message>
        <source>template list</source>
        <translation>模板列表</translation>
    </message>
    <message>
        <source>internal error: %1</source>
        <translation>内部错误：%1</translation>
    </message>
    <message>
        <source>internal error</source>
        <translation>内部错误</translation>
    </message>
    <message>
        <source>no editor preview is open</source>
        <translation>没有打开的编辑器预览</translation>
    </message>
    <message>
        <source>no output folder is set</source>
        <translation>没有设置输出文件夹</translation>
    </message>
    <message>
        <source>the output folder &quot;%1&quot; of the output settings is not an absolute path; choose it again in the output settings</source>
        <translation>输出设置中的输出文件夹“%1”不是绝对路径；请在输出设置中重新选择</translation>
    </message>
    <message>
        <source>the file name suffix of the output settings contains a control character; change it in the output settings</source>
        <translation>输出设置的文件名后缀含有控制字符；请在输出设置中修改</translation>
    </message>
    <message>
        <source>the file name suffix &quot;%1&quot; of the output settings contains &quot;/&quot;; change it in the output settings</source>
        <translation>输出设置中的文件名后缀“%1”包含“/”；请在输出设置中修改</translation>
    </message>
    <message>
        <source>the output %1 is the source photo itself; it was left unchanged</source>
        <translation>输出文件 %1 就是源照片本身；它保持不变</translation>
    </message>
    <message>
        <source>the output %1 is another photo of this run; it was left unchanged and this photo was not written</source>
        <translation>输出文件 %1 是本次处理中的另一张照片；它保持不变，这张照片没有写入</translation>
    </message>
    <message>
        <source>the output %1 is the same file as %2, another photo of this run; it was left unchanged and this photo was not written</source>
        <translation>输出文件 %1 与本次处理中的另一张照片 %2 是同一个文件；它保持不变，这张照片没有写入</translation>
    </message>
    <message>
        <source>the output %1 is %2, another photo of this run; this photo was not written</source>
        <translation>输出文件 %1 就是本次处理中的另一张照片 %2；这张照片没有写入</translation>
    </message>
    <message>
        <source>the output %1 is also the output of %2, earlier in the list; this photo was not written</source>
        <translation>输出文件 %1 也是列表中前面的照片 %2 的输出；这张照片没有写入</translation>
    </message>
    <message>
        <source>the output %1 and its numbered names up to (%2) exist already; this photo was not written</source>
        <translation>输出 %1 及其编号名称直到 (%2) 都已存在；未写入这张照片</translation>
    </message>
    <message>
        <source>the resize settings give an output size of %1 x %2 for this %3 x %4 photo; change them in the resizing window</source>
        <translation>调整尺寸设置使这张 %3 x %4 的照片输出为 %1 x %2；请在调整尺寸窗口中修改</translation>
    </message>
    <message>
        <source>the output size %1 x %2 is larger than the limit of %3 pixels</source>
        <translation>输出尺寸 %1 x %2 超过了 %3 像素的上限</translation>
    </message>
    <message>
        <source>not enough memory for a %1 x %2 canvas</source>
        <translation>内存不足，无法创建 %1 x %2 的画布</translation>
    </message>
    <message>
        <source>the picture file %1 cannot be read: %2</source>
        <translation>无法读取图片文件 %1：%2</translation>
    </message>
    <message>
        <source>not enough memory for the preview of %1</source>
        <translation>内存不足，无法预览 %1</translation>
    </message>
    <message>
        <source>not enough memory for the sample picture</source>
        <translation>内存不足，无法创建示例图片</translation>
    </message>
    <message>
        <source>not enough memory for a %1 x %2 watermark layer</source>
        <translation>内存不足，无法创建 %1 x %2 的水印图层</translation>
    </message>
    <message>
        <source>not enough memory for the watermark</source>
        <translation>内存不足，无法放置水印</translation>
    </message>
    <message>
        <source>cannot create the output folder %1</source>
        <translation>无法创建输出文件夹 %1</translation>
    </message>
    <message>
        <source>no file to write the preview to</source>
        <translation>没有可写入预览的文件</translation>
    </message>
    <message>
        <source>not enough memory to convert the photo&apos;s colours</source>
        <translation>内存不足，无法转换照片的颜色</translation>
    </message>
    <message>
        <source>template &quot;%1&quot;</source>
        <translation>模板“%1”</translation>
    </message>
    <message>
        <source>layer &quot;%1&quot;</source>
        <translation>图层“%1”</translation>
    </message>
    <message>
        <source>unknown render mode %1</source>
        <translation>未知的渲染方式 %1</translation>
    </message>
    <message>
        <source>cannot create files in the folder %1: it does not accept new files</source>
        <translation>无法在文件夹 %1 中创建文件：该文件夹不接受新文件</translation>
    </message>
    <message>
        <source>cannot write %1: it is not a regular file</source>
        <translation>无法写入 %1：它不是普通文件</translation>
    </message>
    <message>
        <source>disk full while writing %1</source>
        <translation>写入 %1 时磁盘已满</translation>
    </message>
    <message>
        <source>permission denied: cannot write %1</source>
        <translation>权限不足：无法写入 %1</translation>
    </message>
    <message>
        <source>the disk is read-only: cannot write %1</source>
        <translation>磁盘是只读的：无法写入 %1</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>文件夹 %1 不存在</translation>
    </message>
    <message>
        <source>cannot write %1: %2 is not a folder</source>
        <translation>无法写入 %1：%2 不是文件夹</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>cannot write %1: a folder has that name</source>
        <translation>无法写入 %1：已有同名的文件夹</translation>
    </message>
    <message>
        <source>cannot write %1: the file is larger than allowed</source>
        <translation>无法写入 %1：文件超过了允许的大小</translation>
    </message>
    <message>
        <source>cannot write %1: the name is too long</source>
        <translation>无法写入 %1：名称太长</translation>
    </message>
    <message>
        <source>input/output error while writing %1</source>
        <translation>写入 %1 时发生输入/输出错误</translation>
    </message>
    <message>
        <source>no output file name was given</source>
        <translation>没有指定输出文件名</translation>
    </message>
    <message>
        <source>cannot write %1: the program is ending</source>
        <translation>无法写入 %1：程序正在退出</translation>
    </message>
    <message>
        <source>%1 is not open for writing</source>
        <translation>%1 没有以写入方式打开</translation>
    </message>
    <message>
        <source>cannot write %1: a file of that name exists now; it was left unchanged</source>
        <translation>无法写入 %1：现在已有同名文件；该文件保持不变</translation>
    </message>
    <message>
        <source>cannot write %1: a metadata segment does not fit in a JPEG file</source>
        <translation>无法写入 %1：有一个元数据段放不进 JPEG 文件</translation>
    </message>
    <message>
        <source>cannot encode %1: %2</source>
        <translation>无法编码 %1：%2</translation>
    </message>
    <message>
        <source>not enough memory to encode %1</source>
        <translation>内存不足，无法编码 %1</translation>
    </message>
    <message>
        <source>no %1 encoder is installed</source>
        <translation>没有安装 %1 编码器</translation>
    </message>
    <message>
        <source>nothing to write to %1: the picture is empty</source>
        <translation>没有可写入 %1 的内容：图片是空的</translation>
    </message>
    <message>
        <source>nothing to encode: the picture is empty</source>
        <translation>没有可编码的内容：图片为空</translation>
    </message>
    <message>
        <source>%1 million</source>
        <translation>%1 百万像素</translation>
    </message>
    <message>
        <source>%1 pixels</source>
        <translation>%1 像素</translation>
    </message>
    <message>
        <source>image is %1 x %2 pixels, more than the limit of %3</source>
        <translation>图片为 %1 x %2 像素，超过了上限 %3</translation>
    </message>
    <message>
        <source>cannot decode: not a JPEG, PNG, BMP, TIFF, GIF, WebP, HEIF or AVIF file</source>
        <translation>无法解码：不是 JPEG、PNG、BMP、TIFF、GIF、WebP、HEIF 或 AVIF 文件</translation>
    </message>
    <message>
        <source>the photo is damaged: its data ends early</source>
        <translation>照片已损坏：数据提前结束</translation>
    </message>
    <message>
        <source>the photo is damaged: %1</source>
        <translation>照片已损坏：%1</translation>
    </message>
    <message>
        <source>cannot decode: %1</source>
        <translation>无法解码：%1</translation>
    </message>
    <message>
        <source>file not found</source>
        <translation>找不到文件</translation>
    </message>
    <message>
        <source>this is a folder, not a picture</source>
        <translation>这是文件夹，不是图片</translation>
    </message>
    <message>
        <source>this is not a regular file</source>
        <translation>这不是普通文件</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>文件是空的</translation>
    </message>
    <message>
        <source>cannot open the file: %1</source>
        <translation>无法打开文件：%1</translation>
    </message>
    <message>
        <source>cannot decode: the picture&apos;s header is damaged</source>
        <translation>无法解码：图片的文件头已损坏</translation>
    </message>
    <message>
        <source>no JPEG photo is open</source>
        <translation>没有打开的 JPEG 照片</translation>
    </message>
    <message>
        <source>the picture has already been decoded</source>
        <translation>图片已经解码过了</translation>
    </message>
    <message>
        <source>the photo&apos;s inks are not given row by row</source>
        <translation>照片的油墨数据无法逐行读取</translation>
    </message>
    <message>
        <source>no picture is open</source>
        <translation>没有打开的图片</translation>
    </message>
    <message>
        <source>not enough memory to decode a %1 x %2 picture</source>
        <translation>内存不足，无法解码 %1 x %2 的图片</translation>
    </message>
    <message>
        <source>the photo is damaged: its picture data is corrupt</source>
        <translation>照片已损坏：图像数据有错误</translation>
    </message>
    <message>
        <source>not enough memory to read the PNG header</source>
        <translation>内存不足，无法读取 PNG 文件头</translation>
    </message>
    <message>
        <source>the PNG picture is not open</source>
        <translation>PNG 图片没有打开</translation>
    </message>
    <message>
        <source>cannot decode: the PNG rows do not fit the picture</source>
        <translation>无法解码：PNG 的像素行与图片不符</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>%1 is larger than %2 bytes; it was left unchanged</source>
        <translation>%1 大于 %2 字节；未作改动</translation>
    </message>
    <message>
        <source>the value of %1 cannot be stored in %2</source>
        <translation>无法将 %1 的值写入 %2</translation>
    </message>
    <message>
        <source>the changes to layer &quot;%1&quot; cannot be written to %2</source>
        <translation>对图层“%1”的更改无法写入 %2</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>驱动器</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
</context>
<context>
    <name>SkinManager</name>
    <message>
        <source>Cannot open the layout %1: %2</source>
        <translation>无法打开布局文件 %1：%2</translation>
    </message>
    <message>
        <source>Cannot read the layout %1: %2</source>
        <translation>无法读取布局文件 %1：%2</translation>
    </message>
</context>
</TS>
