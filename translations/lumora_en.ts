<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BatchRun</name>
    <message>
        <source>批处理没有开始：无法读取输出设置。

%1

请在“首选项”中检查输出设置；关闭该窗口即保存新的设置文件。</source>
        <translation>The batch run did not start: the output settings cannot be read.

%1

Please check the output settings in &quot;Preferences&quot;; closing that window saves a new settings file.</translation>
    </message>
    <message>
        <source>批处理已停止：</source>
        <translation>The batch run was stopped: </translation>
    </message>
    <message>
        <source>批处理已完成：</source>
        <translation>The batch run has finished: </translation>
    </message>
    <message numerus="yes">
        <source>%n 张照片已加上水印，</source>
        <translation>
            <numerusform>%n photo was watermarked, </numerusform>
            <numerusform>%n photos were watermarked, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 张照片失败</source>
        <translation>
            <numerusform>%n photo failed</numerusform>
            <numerusform>%n photos failed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>，%n 张照片因停止而未处理</source>
        <translation>
            <numerusform>, %n photo was not processed because of the stop</numerusform>
            <numerusform>, %n photos were not processed because of the stop</numerusform>
        </translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>……</source>
        <translation>...</translation>
    </message>
    <message>
        <source>

未能加上水印的照片：
</source>
        <translation>

Photos that could not be watermarked:
</translation>
    </message>
    <message>
        <source>已处理 %1/%2</source>
        <translation>%1/%2 done</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>，剩余约 %1</source>
        <translation>, about %1 left</translation>
    </message>
    <message>
        <source>未能写入输出文件。</source>
        <translation>The output file could not be written.</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>为照片批量添加文字和图片水印。</source>
        <translation>Adds text and picture watermarks to photos in batches.</translation>
    </message>
    <message>
        <source>使用方法:</source>
        <translation>How to:</translation>
    </message>
    <message>
        <source>如何为照片加水印</source>
        <translation>How to watermark photos</translation>
    </message>
    <message>
        <source>技术支持:</source>
        <translation>Support:</translation>
    </message>
    <message>
        <source>主页:</source>
        <translation>Home page:</translation>
    </message>
    <message>
        <source>在 Twitter 上分享</source>
        <translation>Share on Twitter</translation>
    </message>
    <message>
        <source>在 Facebook 上点赞</source>
        <translation>Like on Facebook</translation>
    </message>
    <message>
        <source>推荐给朋友:</source>
        <translation>Tell a friend:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CAboutDlgUI</name>
    <message>
        <source>关于 Lumora Plenum</source>
        <translation>About Lumora Plenum</translation>
    </message>
</context>
<context>
    <name>CAddNewLayerDlg</name>
    <message>
        <source>输入新的图层名称：</source>
        <translation>Enter the new layer name:</translation>
    </message>
    <message>
        <source>请输入有效的图层名称。</source>
        <translation>Please enter a valid layer name.</translation>
    </message>
    <message>
        <source>图层名称存在，请输入一个不同的名称！</source>
        <translation>A layer of that name exists. Please enter a different name!</translation>
    </message>
</context>
<context>
    <name>CAddNewTempDlg</name>
    <message>
        <source>输入模板名称:</source>
        <translation>Enter the template name:</translation>
    </message>
    <message>
        <source>请输入有效的模板名称。</source>
        <translation>Please enter a valid template name.</translation>
    </message>
</context>
<context>
    <name>CEditTempImgDlg</name>
    <message>
        <source>所有支持文件|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.gif|联合图像专家组 (*.jpg)|*.jpg|Windows 位图 Image (*.bmp)|*.bmp|便携式网络图形 (*.png)|*.png|Tagged 图像文件模式 (*.tif;*.tiff)|*.tif; *.tiff||</source>
        <translation>All supported files|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.gif|JPEG (*.jpg)|*.jpg|Windows Bitmap Image (*.bmp)|*.bmp|Portable Network Graphics (*.png)|*.png|Tagged Image File Format (*.tif;*.tiff)|*.tif; *.tiff||</translation>
    </message>
    <message>
        <source>水印图像路径:</source>
        <translation>Watermark picture path:</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>透明度：</source>
        <translation>Opacity:</translation>
    </message>
    <message>
        <source>自动与原始图片大小缩放图像水印</source>
        <translation>Scale the picture watermark with the size of the photo</translation>
    </message>
    <message>
        <source>宽度：</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>高度:</source>
        <translation>Height:</translation>
    </message>
</context>
<context>
    <name>CEditTemplateDlg</name>
    <message>
        <source>编辑水印模板</source>
        <translation>Edit Watermark Template</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>图像</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>图层 &quot;%1&quot; 有一部分在照片外</source>
        <translation>Part of layer &quot;%1&quot; lies outside the photo</translation>
    </message>
    <message>
        <source>无法保存对模板 &quot;%1&quot; 的更改：它的文件已不存在或无法写入。
是否将更改写入该模板的一个新副本？选择“否”将放弃这些更改。</source>
        <translation>The changes to template &quot;%1&quot; cannot be saved: its files no longer exist or cannot be written.
Write the changes to a new copy of the template? Choose &quot;No&quot; to discard them.</translation>
    </message>
    <message>
        <source>无法写入模板 &quot;%1&quot; 的新副本。</source>
        <translation>A new copy of template &quot;%1&quot; cannot be written.</translation>
    </message>
    <message>
        <source>更改已写入新模板 &quot;%1&quot;。</source>
        <translation>The changes were written to the new template &quot;%1&quot;.</translation>
    </message>
</context>
<context>
    <name>CEditWithButton</name>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>CGeneralConfDlg</name>
    <message>
        <source>输出文件夹</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>保存到原始文件的文件夹</source>
        <translation>Save to the original photo&apos;s folder</translation>
    </message>
    <message>
        <source>保存到另一个文件夹</source>
        <translation>Save to another folder</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>输出文件名</source>
        <translation>Output file name</translation>
    </message>
    <message>
        <source>保留原始文件名称</source>
        <translation>Keep the original file name</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>文件名后缀:</source>
        <translation>File name suffix:</translation>
    </message>
    <message>
        <source>文件已存在时:</source>
        <translation>If the file exists:</translation>
    </message>
    <message>
        <source>替换</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>保留两者</source>
        <translation>Keep both</translation>
    </message>
    <message>
        <source>输出文件已存在时：替换它、跳过这张照片，或保留两者（新文件名加编号，如“名称 (2).jpg”）。</source>
        <translation>When the output file exists already: replace it, skip the photo, or keep both (the new file gets a number, e.g. &quot;name (2).jpg&quot;).</translation>
    </message>
    <message>
        <source>注意：同格式照片会失败，其他同名照片可能被替换。</source>
        <translation>Note: photos in the output format fail; other photos of that name may be replaced.</translation>
    </message>
    <message>
        <source>输出文件格式</source>
        <translation>Output file format</translation>
    </message>
    <message>
        <source>JPG 照片无损保留水印以外的部分</source>
        <translation>Keep JPEG photos lossless outside the watermark</translation>
    </message>
    <message>
        <source>不缩放的 JPG 照片输出为 JPG 时，只重新编码水印所在的块，其余部分与原照片完全相同。</source>
        <translation>When a JPEG photo is written as JPEG without resizing, only the blocks under the watermark are encoded again; everything else stays exactly as in the photo.</translation>
    </message>
    <message>
        <source>无法读取输出设置文件，批处理不会开始：%1
关闭此窗口时将以这里的设置保存新的文件，原文件另存为 preference.xml.damaged。</source>
        <translation>The output settings file cannot be read, so no batch run will start: %1
Closing this window saves a new file with the settings shown here; the old file is kept as preference.xml.damaged.</translation>
    </message>
    <message>
        <source>“%1”不是文件夹。</source>
        <translation>&quot;%1&quot; is not a folder.</translation>
    </message>
    <message>
        <source>“%1”所在的磁盘是只读的。</source>
        <translation>The disk of &quot;%1&quot; is read-only.</translation>
    </message>
    <message>
        <source>没有写入“%1”的权限。</source>
        <translation>No permission to write in &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>请输入完整的文件夹路径（以“/”开头），或用“浏览”选择。</source>
        <translation>Type the full path of a folder (starting with &quot;/&quot;), or choose it with &quot;Browse&quot;.</translation>
    </message>
    <message>
        <source>无法使用输出文件夹“%1”：%2
将保留原来的输出文件夹设置。</source>
        <translation>The output folder &quot;%1&quot; cannot be used: %2
The previous output folder setting is kept.</translation>
    </message>
    <message>
        <source>文件名后缀不能包含“/”或控制字符。将保留原来的后缀“%1”。</source>
        <translation>The file name suffix cannot contain &quot;/&quot; or control characters. The previous suffix &quot;%1&quot; is kept.</translation>
    </message>
</context>
<context>
    <name>CImgResizingSettingDlg</name>
    <message>
        <source>图像大小设置</source>
        <translation>Resize Settings</translation>
    </message>
    <message>
        <source>缩放宽度成正比</source>
        <translation>Scale to the width, keeping proportions</translation>
    </message>
    <message>
        <source>缩放高度成正比</source>
        <translation>Scale to the height, keeping proportions</translation>
    </message>
    <message>
        <source>缩放到绝对宽度和高度</source>
        <translation>Scale to the exact width and height</translation>
    </message>
    <message>
        <source>目标宽度:</source>
        <translation>Target width:</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>目标高度:</source>
        <translation>Target height:</translation>
    </message>
    <message>
        <source>调整图片的大小</source>
        <translation>Resize the photos</translation>
    </message>
    <message>
        <source>与此设置从现在起每一次调整图片的大小</source>
        <translation>Always resize with these settings from now on</translation>
    </message>
    <message>
        <source>注意： 如果选中此选项，下一次当您使用 lumora 添加水印，目标图片会自动调整大小。</source>
        <translation>Note: with this option ticked, the photos are resized automatically the next time you watermark them with Lumora.</translation>
    </message>
</context>
<context>
    <name>CLanguageManager</name>
    <message>
        <source>单击此处操作层</source>
        <translation>Click here for the layer commands</translation>
    </message>
    <message>
        <source>左上角</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>顶部居中</source>
        <translation>Top centre</translation>
    </message>
    <message>
        <source>右上角</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>中心左侧</source>
        <translation>Centre left</translation>
    </message>
    <message>
        <source>中心</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>中心右侧</source>
        <translation>Centre right</translation>
    </message>
    <message>
        <source>左下角</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>底部居中</source>
        <translation>Bottom centre</translation>
    </message>
    <message>
        <source>右下角</source>
        <translation>Bottom right</translation>
    </message>
</context>
<context>
    <name>CLumoraDlg</name>
    <message>
        <source>主页</source>
        <translation>Home Page</translation>
    </message>
    <message>
        <source>支持页面</source>
        <translation>Support Page</translation>
    </message>
    <message>
        <source>显示快速入门</source>
        <translation>Show Quick Start</translation>
    </message>
    <message>
        <source>反馈...</source>
        <translation>Feedback...</translation>
    </message>
    <message>
        <source>重置默认设置</source>
        <translation>Reset Default Settings</translation>
    </message>
    <message>
        <source>打开设置文件夹</source>
        <translation>Open Settings Folder</translation>
    </message>
    <message>
        <source>检查更新...</source>
        <translation>Check for Updates...</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>关于 Lumora(&amp;A)...</source>
        <translation>&amp;About Lumora...</translation>
    </message>
    <message>
        <source>启动时检查更新</source>
        <translation>Check for Updates at Start</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>最大化</source>
        <translation>Maximise</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>编辑所选模板</source>
        <translation>Edit Selected Template</translation>
    </message>
    <message>
        <source>重命名所选模板</source>
        <translation>Rename Selected Template</translation>
    </message>
    <message>
        <source>删除所选模板</source>
        <translation>Delete Selected Template</translation>
    </message>
    <message>
        <source>语言 (Language)</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>英语 (English)</source>
        <translation>English</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Follow the System</translation>
    </message>
    <message>
        <source>无法保存语言设置：无法写入 config.ini。</source>
        <translation>The language setting cannot be saved: config.ini cannot be written.</translation>
    </message>
    <message>
        <source>界面语言将在下次启动 Lumora Plenum 时更改。</source>
        <translation>The interface language changes the next time Lumora Plenum starts.</translation>
    </message>
    <message>
        <source>找不到反馈程序 %1。请在 %2 告诉我们您的意见。</source>
        <translation>The feedback program %1 was not found. Please tell us what you think at %2.</translation>
    </message>
    <message>
        <source>请退出该程序，然后再重新启动它。谢谢。</source>
        <translation>Please quit the program and start it again. Thank you.</translation>
    </message>
    <message>
        <source>无法读取模板列表：%1
模板文件夹中没有可用的模板文件，列表文件保持原样。</source>
        <translation>The template list cannot be read: %1
The templates folder holds no usable template files; the list file is left as it is.</translation>
    </message>
    <message>
        <source>无法读取模板列表：%1

模板文件夹中有 %2 个模板文件：%3。
是否用这些模板重建模板列表？原列表文件将另存为 qthumb.xml.damaged。选择“否”则列表文件保持原样。</source>
        <translation>The template list cannot be read: %1

The templates folder holds %2 template files: %3.
Rebuild the template list from these templates? The old list file will be kept as qthumb.xml.damaged. Choose &quot;No&quot; to leave the list file as it is.</translation>
    </message>
    <message>
        <source>无法重建模板列表：无法写入 %1。</source>
        <translation>The template list cannot be rebuilt: %1 cannot be written.</translation>
    </message>
    <message>
        <source>添加新模板</source>
        <translation>Add New Template</translation>
    </message>
    <message>
        <source>无法保存新模板的文件。</source>
        <translation>The new template&apos;s file cannot be saved.</translation>
    </message>
    <message>
        <source>无法保存新模板的文件：%1</source>
        <translation>The new template&apos;s file cannot be saved: %1</translation>
    </message>
    <message>
        <source>请首先选择一个水印模板删除!</source>
        <translation>Please select a watermark template to delete first!</translation>
    </message>
    <message>
        <source>您确定要删除这个模板?</source>
        <translation>Are you sure you want to delete this template?</translation>
    </message>
    <message>
        <source>请选择一个模板重命名！</source>
        <translation>Please select a template to rename!</translation>
    </message>
    <message>
        <source>重命名模板</source>
        <translation>Rename Template</translation>
    </message>
    <message>
        <source>无法重命名模板的文件。</source>
        <translation>The template&apos;s files cannot be renamed.</translation>
    </message>
</context>
<context>
    <name>CMainDlgUI</name>
    <message>
        <source>所有支持文件|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.gif;*.heic;*.heif;*.avif;*.webp|联合图像专家组 (*.jpg)|*.jpg|Windows 位图 Image (*.bmp)|*.bmp|便携式网络图形 (*.png)|*.png|Tagged 图像文件模式 (*.tif;*.tiff)|*.tif; *.tiff|HEIF 图像 (*.heic;*.heif)|*.heic;*.heif|AVIF 图像 (*.avif)|*.avif|WebP 图像 (*.webp)|*.webp||</source>
        <translation>All supported files|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.gif;*.heic;*.heif;*.avif;*.webp|JPEG (*.jpg)|*.jpg|Windows Bitmap Image (*.bmp)|*.bmp|Portable Network Graphics (*.png)|*.png|Tagged Image File Format (*.tif;*.tiff)|*.tif; *.tiff|HEIF Image (*.heic;*.heif)|*.heic;*.heif|AVIF Image (*.avif)|*.avif|WebP Image (*.webp)|*.webp||</translation>
    </message>
    <message>
        <source>清空列表</source>
        <translation>Clear list</translation>
    </message>
    <message>
        <source>显示缩略图</source>
        <translation>Show thumbnails</translation>
    </message>
</context>
<context>
    <name>COutputPreviewDlg</name>
    <message>
        <source>输出预览</source>
        <translation>Output Preview</translation>
    </message>
    <message>
        <source>上一张</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一张</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>按写出的样子显示</source>
        <translation>Show as written</translation>
    </message>
    <message>
        <source>按输出格式和输出质量编码后再解码显示，可在处理前判断质量。</source>
        <translation>Show the picture encoded in the output format and quality and decoded again, to judge the quality before a run.</translation>
    </message>
    <message>
        <source>这是第一张</source>
        <translation>This is the first one</translation>
    </message>
    <message>
        <source>这是最后一张</source>
        <translation>This is the last one</translation>
    </message>
    <message>
        <source>正在生成预览…</source>
        <translation>Rendering the preview…</translation>
    </message>
    <message>
        <source>无法预览这张照片：%1</source>
        <translation>This photo cannot be previewed: %1</translation>
    </message>
    <message>
        <source>图层 &quot;%1&quot; 有一部分在照片外</source>
        <translation>Part of layer &quot;%1&quot; lies outside the photo</translation>
    </message>
</context>
<context>
    <name>CPreferenceDlg</name>
    <message>
        <source>首选项</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>常规</source>
        <translation>General</translation>
    </message>
</context>
<context>
    <name>CQuickStartDlgUI</name>
    <message>
        <source>快速入门</source>
        <translation>Quick Start</translation>
    </message>
</context>
<context>
    <name>CTextEditTempDlg</name>
    <message>
        <source>文本:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>文本中使用字段</source>
        <translation>Use fields in the text</translation>
    </message>
    <message>
        <source>插入字段</source>
        <translation>Insert field</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>字体:</source>
        <translation>Font:</translation>
    </message>
    <message>
        <source>文件名（不含扩展名）</source>
        <translation>File name without extension</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件夹名</source>
        <translation>Folder name</translation>
    </message>
    <message>
        <source>拍摄日期</source>
        <translation>Capture date</translation>
    </message>
    <message>
        <source>拍摄日期（自定格式）</source>
        <translation>Capture date (own format)</translation>
    </message>
    <message>
        <source>拍摄时间</source>
        <translation>Capture time</translation>
    </message>
    <message>
        <source>拍摄年份</source>
        <translation>Capture year</translation>
    </message>
    <message>
        <source>相机</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>镜头</source>
        <translation>Lens</translation>
    </message>
    <message>
        <source>曝光参数</source>
        <translation>Exposure</translation>
    </message>
    <message>
        <source>作者</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>版权</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>EXIF 标签</source>
        <translation>EXIF tag</translation>
    </message>
    <message>
        <source>XMP 标签</source>
        <translation>XMP tag</translation>
    </message>
    <message>
        <source>输出宽度</source>
        <translation>Output width</translation>
    </message>
    <message>
        <source>输出高度</source>
        <translation>Output height</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>Counter</translation>
    </message>
    <message>
        <source>序号（从 1 起，3 位数）</source>
        <translation>Counter (from 1, 3 digits)</translation>
    </message>
    <message>
        <source>透明度：</source>
        <translation>Opacity:</translation>
    </message>
    <message>
        <source>自动缩放文本水印</source>
        <translation>Scale the text watermark automatically</translation>
    </message>
    <message>
        <source>添加阴影</source>
        <translation>Add a shadow</translation>
    </message>
    <message>
        <source>水平</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>垂直</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>模糊半径</source>
        <translation>Blur radius</translation>
    </message>
    <message>
        <source>填充文本</source>
        <translation>Fill the text</translation>
    </message>
    <message>
        <source>颜色：</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>绘制边缘</source>
        <translation>Draw an outline</translation>
    </message>
    <message>
        <source>Alpha：</source>
        <translation>Alpha:</translation>
    </message>
    <message>
        <source>线条粗细:</source>
        <translation>Line width:</translation>
    </message>
    <message>
        <source>3D 文本</source>
        <translation>3D text</translation>
    </message>
    <message>
        <source>偏移:</source>
        <translation>Offset:</translation>
    </message>
    <message>
        <source>位置：</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>渐变文本</source>
        <translation>Gradient text</translation>
    </message>
    <message>
        <source>开始：</source>
        <translation>Start:</translation>
    </message>
    <message>
        <source>结束：</source>
        <translation>End:</translation>
    </message>
    <message>
        <source>重复覆盖图像</source>
        <translation>Tile across the photo</translation>
    </message>
    <message>
        <source>左上角</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>右上角</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>左下角</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>右下角</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>描边</source>
        <translation>Outline</translation>
    </message>
    <message>
        <source>填充</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>添加新图层</source>
        <translation>Add New Layer</translation>
    </message>
    <message>
        <source>具有相同名称的文件已经存在，请输入其他名称</source>
        <translation>A file with the same name exists already. Please enter another name</translation>
    </message>
    <message>
        <source>重命名图层</source>
        <translation>Rename Layer</translation>
    </message>
    <message>
        <source>无法重命名图层文件 &quot;%1.xml&quot;：%2</source>
        <translation>The layer file &quot;%1.xml&quot; cannot be renamed: %2</translation>
    </message>
    <message>
        <source>该层不能被删除，因为它是唯一的层，请修改或添加一个新层后，将其删除。</source>
        <translation>This layer cannot be deleted because it is the only layer. Change it, or add a new layer and then delete this one.</translation>
    </message>
    <message>
        <source>您确定要删除这一层?</source>
        <translation>Are you sure you want to delete this layer?</translation>
    </message>
</context>
<context>
    <name>InstanceLock</name>
    <message>
        <source>Lumora Plenum 已在运行（进程 %1），它正在使用数据文件夹 %2。请使用已打开的窗口。</source>
        <translation>Lumora Plenum is running already (process %1) with the data folder %2. Please use the window that is open.</translation>
    </message>
    <message>
        <source>Lumora Plenum 无法锁定数据文件夹 %1，因此不能启动。</source>
        <translation>Lumora Plenum cannot lock the data folder %1, so it cannot start.</translation>
    </message>
</context>
<context>
    <name>LayerMenu</name>
    <message>
        <source>添加新图层</source>
        <translation>Add New Layer</translation>
    </message>
    <message>
        <source>重命名该图层</source>
        <translation>Rename This Layer</translation>
    </message>
    <message>
        <source>删除该图层</source>
        <translation>Delete This Layer</translation>
    </message>
</context>
<context>
    <name>NamingDialogBase</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>NewLayerDefaults</name>
    <message>
        <source>Lumora  - 新建图层</source>
        <translation>Lumora  - New layer</translation>
    </message>
</context>
<context>
    <name>OutputQualityBox</name>
    <message>
        <source>输出质量</source>
        <translation>Output quality</translation>
    </message>
    <message>
        <source>与照片相同</source>
        <translation>As the photo</translation>
    </message>
    <message>
        <source>JPG 照片保留自己的色度采样；其他照片为 4:2:0。</source>
        <translation>JPEG photos keep their own chroma sampling; other photos get 4:2:0.</translation>
    </message>
    <message>
        <source>渐进式</source>
        <translation>Progressive</translation>
    </message>
    <message>
        <source>无损</source>
        <translation>Lossless</translation>
    </message>
    <message>
        <source>JPG 质量:</source>
        <translation>JPEG quality:</translation>
    </message>
    <message>
        <source>色度采样:</source>
        <translation>Chroma sampling:</translation>
    </message>
    <message>
        <source>WebP 质量:</source>
        <translation>WebP quality:</translation>
    </message>
</context>
<context>
    <name>PageWidgets</name>
    <message>
        <source>位置：</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>偏移:</source>
        <translation>Offset:</translation>
    </message>
    <message>
        <source>水平</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>垂直</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>旋转：</source>
        <translation>Rotation:</translation>
    </message>
    <message>
        <source>图层：</source>
        <translation>Layer:</translation>
    </message>
</context>
<context>
    <name>PreviewPhotoChooser</name>
    <message>
        <source>上一张</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一张</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>预览所用的图片</source>
        <translation>The picture the preview shows</translation>
    </message>
    <message>
        <source>示例图片</source>
        <translation>Sample picture</translation>
    </message>
</context>
<context>
    <name>RunEndBar</name>
    <message>
        <source>打开输出文件夹</source>
        <translation>Open output folder</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>已停止：</source>
        <translation>Stopped: </translation>
    </message>
    <message>
        <source>已完成：</source>
        <translation>Done: </translation>
    </message>
    <message numerus="yes">
        <source>%n 张已写入，</source>
        <translation>
            <numerusform>%n written, </numerusform>
            <numerusform>%n written, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 张失败，</source>
        <translation>
            <numerusform>%n failed, </numerusform>
            <numerusform>%n failed, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 张未处理，</source>
        <translation>
            <numerusform>%n left, </numerusform>
            <numerusform>%n left, </numerusform>
        </translation>
    </message>
    <message>
        <source>用时 %1。</source>
        <translation>in %1.</translation>
    </message>
    <message>
        <source>无法打开输出文件夹：%1</source>
        <translation>The output folder cannot be opened: %1</translation>
    </message>
</context>
<context>
    <name>RunFeedback</name>
    <message>
        <source>批处理已停止</source>
        <translation>Batch run stopped</translation>
    </message>
    <message>
        <source>批处理已完成</source>
        <translation>Batch run finished</translation>
    </message>
    <message>
        <source>批处理已完成，有照片失败</source>
        <translation>Batch run finished, some photos failed</translation>
    </message>
    <message>
        <source>打开输出文件夹</source>
        <translation>Open output folder</translation>
    </message>
</context>
<context>
    <name>TemplateNamePrompt</name>
    <message>
        <source>输入模板名称:</source>
        <translation>Enter the template name:</translation>
    </message>
    <message>
        <source>请输入有效的模板名称。</source>
        <translation>Please enter a valid template name.</translation>
    </message>
    <message>
        <source>模板名称已存在，请输入一个不同的名称！</source>
        <translation>A template of that name exists. Please enter a different name!</translation>
    </message>
    <message>
        <source>具有相同名称的文件已经存在，请输入其他名称</source>
        <translation>A file with the same name exists already. Please enter another name</translation>
    </message>
</context>
<context>
    <name>UpdateAnswer</name>
    <message>
        <source>一个新的 Lumora 版本可以下载，你想现在下载吗?</source>
        <translation>A new version of Lumora is available. Do you want to download it now?</translation>
    </message>
    <message>
        <source>您使用的是最新版本。谢谢。</source>
        <translation>You are using the latest version. Thank you.</translation>
    </message>
    <message>
        <source>无法连接到更新服务器，请检查网络连接后再试。</source>
        <translation>The update server could not be reached. Please check the network connection and try again.</translation>
    </message>
</context>
<context>
    <name>about_root</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>为照片批量添加文字和图片水印。</source>
        <translation>Adds text and picture watermarks to photos in batches.</translation>
    </message>
    <message>
        <source>主页</source>
        <translation>Home Page</translation>
    </message>
    <message>
        <source>联系支持</source>
        <translation>Contact Support</translation>
    </message>
    <message>
        <source>视频教程</source>
        <translation>Video Tutorials</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>maindlg_root</name>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>最大化</source>
        <translation>Maximise</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Add Photos</translation>
    </message>
    <message>
        <source>添加要加水印的照片</source>
        <translation>Add the photos to watermark</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>从列表中移除所选照片</source>
        <translation>Remove the selected photo from the list</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>用当前模板预览所选照片</source>
        <translation>Preview the selected photo with the current template</translation>
    </message>
    <message>
        <source>开始处理</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>为列表中的所有照片加水印</source>
        <translation>Watermark every photo of the list</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>处理完当前照片后停止</source>
        <translation>Stop after the current photo</translation>
    </message>
    <message>
        <source>调整尺寸</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>输出照片的尺寸</source>
        <translation>The size of the output photos</translation>
    </message>
    <message>
        <source>首选项</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>输出文件夹、文件名和格式</source>
        <translation>Output folder, file name and format</translation>
    </message>
    <message>
        <source>水印模板</source>
        <translation>Watermark Templates</translation>
    </message>
    <message>
        <source>添加新模板</source>
        <translation>Add New Template</translation>
    </message>
    <message>
        <source>模板菜单</source>
        <translation>Template menu</translation>
    </message>
    <message>
        <source>还没有水印模板</source>
        <translation>No watermark templates yet</translation>
    </message>
    <message>
        <source>照片</source>
        <translation>Photos</translation>
    </message>
    <message>
        <source>双击照片可预览，双击模板可编辑</source>
        <translation>Double-click a photo to preview it, a template to edit it</translation>
    </message>
    <message>
        <source>点击“添加照片”，或把照片从文件管理器拖到这里</source>
        <translation>Click &quot;Add Photos&quot;, or drag photos here from the file manager</translation>
    </message>
</context>
<context>
    <name>quickstart_root</name>
    <message>
        <source>快速入门</source>
        <translation>Quick Start</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>三步为照片加上水印：</source>
        <translation>Watermark your photos in three steps:</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Add Photos</translation>
    </message>
    <message>
        <source>点击“添加照片”，或把照片从文件管理器拖到照片列表。</source>
        <translation>Click &quot;Add Photos&quot;, or drag photos from the file manager onto the photo list.</translation>
    </message>
    <message>
        <source>选择水印模板</source>
        <translation>Choose a watermark template</translation>
    </message>
    <message>
        <source>在左侧列表中选择模板；双击模板可以编辑它的文字和图片。</source>
        <translation>Choose a template in the list on the left; double-click a template to edit its texts and pictures.</translation>
    </message>
    <message>
        <source>开始处理</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>点击“开始处理”。完成后会打开输出文件夹，每张照片旁会显示处理结果。</source>
        <translation>Click &quot;Start&quot;. When it has finished, the output folder opens and each photo shows its result.</translation>
    </message>
    <message>
        <source>启动时不再显示</source>
        <translation>Don&apos;t show this at start</translation>
    </message>
    <message>
        <source>开始使用</source>
        <translation>Get Started</translation>
    </message>
</context>
</TS>
