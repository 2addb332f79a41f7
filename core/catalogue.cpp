#include "core/catalogue.h"

#include "core/gbk.h"

namespace quelmo {
namespace {

// Parameter lists: "name:kind:description" entries separated by '|'.
constexpr const char* kLabl =
    "m:int:字体号,可以是12,16,24,32,48,64 之间一种|x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:右边界|"
    "str:str:要显示的字符串|c:c:颜色号|ali:int:=0 居左；=1居中；=2居右";
constexpr const char* kDs = "x1:X:左上角x坐标|y1:Y:左上角y坐标|str:str:要显示的字符串|c:c:颜色号|lx:X:限制的右边框X位置,可省";
constexpr const char* kColourOnly = "c:c:颜色号";
constexpr const char* kBs = "x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:段落右边结束X坐标|lw:int:行间距|str:str:要显示的字符串|c:c:颜色号";
constexpr const char* kPic = "x1:X:左上角x坐标|y1:Y:左上角y坐标|pn:pic:第几幅图片";
constexpr const char* kBox = "x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:右下角x坐标|y2:Y:右下角y坐标|c:c:颜色号";
constexpr const char* kCir = "x1:X:圆心x坐标|y1:Y:圆心y坐标|r:int:半径|c:c:颜色号";
constexpr const char* kScc = "c:c:颜色号|color:color:0~65535 64K颜色值";
constexpr const char* kPs = "x1:X:x坐标|y1:Y:y坐标|c:c:颜色号";
constexpr const char* kIcon =
    "x1:X:左上角x坐标|y1:Y:左上角y坐标|pn:pic:第几幅图片|xn:int:这幅图片横向有几个图标|"
    "yn:int:这幅图片纵向有几个图标|n:int:显示第几个图标(编号先横后竖，从0开始依次编号)";
constexpr const char* kBpic = "m:int:背景图序号，每个界面允许8个背景图，0~7|x1:X:左上角x坐标|y1:Y:左上角y坐标|pn:pic:第几幅图片";
constexpr const char* kPlab =
    "m:int:字体号,可以是12,16,24,32,48,64 之间一种|x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:右边界|"
    "str:str:要显示的字符串|c:c:颜色号|ali:int:=0 居左；=1居中；=2居右|"
    "pn:int:为 0~7 背景图编号，需要先用BPIC设置背景图才能叠加显示";
constexpr const char* kPsText =
    "m:int:背景图序号，每个界面允许8个背景图，0~7|x1:X:左上角x坐标|y1:Y:左上角y坐标|str:str:要显示的字符串|"
    "c:c:颜色号|lx:X:限制的右边框X位置,可省";
constexpr const char* kCbox =
    "x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:右下角x坐标|y2:Y:右下角y坐标|r:int:圆角半径|c:c:颜色号";
constexpr const char* kW8bf =
    "x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:右下角x坐标|y2:Y:右下角y坐标|cn:int:方案号(1~9)";
constexpr const char* kCpic =
    "x1:X:左上角x坐标|y1:Y:左上角y坐标|pn:pic:第几幅图片|px1:int:图片切割原点X坐标|py1:int:图片切割原点Y坐标|"
    "w:int:切割区域宽度|h:int:切割区域高度";
constexpr const char* kDqx =
    "x1:X:左上角x坐标|y1:Y:左上角y坐标|xp:int:曲线横向每个格宽度|yn:int:曲线纵向有多少个格|"
    "xn:int:横向有多少格|yp:int:每个格子的高度";
constexpr const char* kMenu =
    "x1:X:左上角x坐标|y1:Y:左上角y坐标|w:int:菜单的总宽|h:int:每行菜单的高|pw:int:图标的高度和宽度|"
    "ax1:int:图标距左边框的距离|ax2:int:菜单文字距左边框的距离|"
    "hzm:int:使用何等点阵显示汉字，只能是16、24、32汉字点数值|yn:int:预留|max:int:菜单项数|"
    "pg:int:存放菜单自相的批界面页号|go:int:预留，设置为1即可";
constexpr const char* kMset = "n:int:菜单项，第一项对应的编号为0";
constexpr const char* kMdf = "n:int:菜单项，第一项对应的编号为0|pn:pic:菜单子项对应的图标图片号|str:str:菜单子项标题";
constexpr const char* kTpst = "w:int:触摸屏X方向分辨率|h:int:触摸屏y方向分辨率";
constexpr const char* kTpn = "n:int:=0关闭触摸反馈；=1 反馈点阵坐标；=2反馈按钮热区编号；=3开启触摸反馈，但不反馈信息";
constexpr const char* kTpow = "c:c:画笔颜色，=255表示关闭画笔";
constexpr const char* kBtn =
    "n:int:区域编号 0~31 最多支持32个热点区域|x1:X:左上角x坐标|y1:Y:左上角y坐标|x2:X:右下角x坐标|"
    "y2:Y:右下角y坐标|t:int:显示类型;=0 无显示；=1细线方框；=2细线按钮 =3粗线方框 =4粗线按钮|asc:asc:按钮键码";
constexpr const char* kTicn = "pn:pic:按钮图标集对应的图片号|xn:int:图标集横向有几个图标|yn:int:图标集纵向有几个图标";
constexpr const char* kBicn =
    "n:int:区域编号 0~31 最多支持32个热点区域|x1:X:左上角x坐标|y1:Y:左上角y坐标|n1:int:未按下时的图标序号|"
    "n2:int:按下时的图标序号|asc:asc:按钮键码";
constexpr const char* kTsin =
    "hzm:int:字符的显示大小，必须是16/24/32/48/64|x1:X:左上角x坐标|y1:Y:左上角y坐标|"
    "limitX:X:缓冲区的右侧X坐标|long:int:缓冲区的字符长度 最大15|"
    "t:int:输入模式 =0 关闭无输入；=1输入的是数字，只允许数字和一个小数点；=2输入的是字符串|c:c:显示颜色";
constexpr const char* kPbtn =
    "n:int:区域编号 0~31 最多支持32个热点区域|x1:X:左上角x坐标|y1:Y:左上角y坐标|w:int:切图区域宽度|"
    "h:int:切图区域高度|bp1:int:未按下时，BPIC定义的背景图号|bp2:int:按下时，BPIC定义的背景图号|asc:asc:按钮键码";
constexpr const char* kSpg = "n:int:批界面编号";
constexpr const char* kDrn = "n:int:0~3对应4个方向";
constexpr const char* kXy = "x1:X:x坐标|y1:Y:y坐标";
constexpr const char* kSebl = "n:int:0 关背光   1-最暗  100最亮  设置后，断电保持不变";

constexpr const char* kR1 = "以m号字在(x1,y1)~(x2,y1+m) 这个方框内以c为前景绘制字符串,可设置居左,居右还是居中;背景色使用SBC语句指定";
constexpr const char* kR2 = "以m号字在(x1,y1)~(x2,y1+m) 这个方框内以c为前景,pn号背景图为背景绘制字符串,可设置居左,居右还是居中";
constexpr const char* kR3 = "本语句是模拟显示";
constexpr const char* kR4 =
    "【曲线为模拟显示】xn*xp 即为曲线控件的总宽度，总宽度不能超过400点（早期的版本时256点）；"
    "yp*yn是曲线控件的总高度，总高度不能超过255点；";
constexpr const char* kR5 = "n：曲线的数据点（0~255），其中128代表曲线的中线 ；Q0代表振幅最高，在最上面；Q128在中间，Q255代表振幅最低在最下面";
constexpr const char* kR6 = "此语句辅助设计无处理";
constexpr const char* kR7 = "无模拟显示";

struct Row {
    const char* name;
    int category;
    int type;
    const char* signature;
    const char* example;
    const char* params;
    const char* remark;
};

// Registration order is the palette order.
constexpr Row kRows[] = {
    {"LABL", 1, 4, "显示标签:LABL(m,x1,y1,x2,str,c,ali);", "LABL(24,20,10,200,'24点阵汉字居中',15,1)", kLabl, kR1},
    {"DS12", 1, 2, "显示12点阵:DS12(x1,y1,str,c,lx);", "DS12(0,0,'要显示的字符串',1)", kDs, ""},
    {"DS16", 1, 2, "显示16点阵:DS16(x1,y1,str,c,lx);", "DS16(0,0,'要显示的字符串',1)", kDs, ""},
    {"DS24", 1, 2, "显示24点阵:DS24(x1,y1,str,c,lx);", "DS24(0,0,'要显示的字符串',1)", kDs, ""},
    {"DS32", 1, 2, "显示32点阵:DS32(x1,y1,str,c,lx);", "DS32(0,0,'要显示的字符串',1)", kDs, ""},
    {"DS48", 1, 2, "显示48点阵:DS48(x1,y1,str,c,lx);", "DS48(0,0,'要显示的字符串',1)", kDs, ""},
    {"DS64", 1, 2, "显示64点阵:DS64(x1,y1,str,c,lx);", "DS64(0,0,'要显示的字符串',1)", kDs, ""},
    {"CLS", 0, 3, "清屏:CLS(c);", "CLS(0)", kColourOnly, ""},
    {"BS12", 1, 4, "12段落显示:BS12(x1,y1,x2,lw,str,c);", "BS12(0,0,219,4,'要显示的字符串',1)", kBs, ""},
    {"BS16", 1, 4, "16段落显示:BS16(x1,y1,x2,lw,str,c);", "BS16(0,0,219,4,'要显示的字符串',1)", kBs, ""},
    {"BS24", 1, 4, "24段落显示:BS24(x1,y1,x2,lw,str,c);", "BS24(0,0,219,4,'要显示的字符串',1)", kBs, ""},
    {"PIC", 3, 2, "显示图片:PIC(x1,y1,pn);", "PIC(0,0,1)", kPic, ""},
    {"BOX", 0, 1, "空心方框:BOX(x1,y1,x2,y2,c);", "BOX(0,0,100,100,1)", kBox, ""},
    {"BOXF", 0, 1, "实心方框:BOXF(x1,y1,x2,y2,c);", "BOXF(0,0,100,100,1)", kBox, ""},
    {"CIR", 0, 3, "画园:CIR(x1,y1,r,c);", "CIR(100,100,50,1)", kCir, ""},
    {"CIRF", 0, 3, "画实心园:CIRF(x1,y1,r,c);", "CIRF(100,100,50,1)", kCir, ""},
    {"SCC", 2, 3, "设置索引色:SCC(c,color);", "SCC(1,65535)", kScc, ""},
    {"SBC", 2, 3, "设置背景色:SBC(c);", "SBC(1)", kColourOnly, ""},
    {"PS", 0, 3, "画点:PS(x1,y1,c);", "PS(0,0,1)", kPs, ""},
    {"PL", 0, 3, "画线:PL(x1,y1,x2,y2,c);", "PL(0,0,100,100,1)", kBox, ""},
    {"ICON", 3, 2, "显示图标:ICON(x1,y1,pn,xn,yn,n);", "ICON(0,0,10,11,1,0);", kIcon, ""},
    {"BPIC", 3, 2, "显示背景图:BPIC(m,x1,y1,pn);", "BPIC(1,0,0,1)", kBpic, ""},
    {"PLAB", 3, 4, "图片叠加标签:PABL(m,x1,y1,x2,str,c,ali,pn);", "PLAB(24,20,10,200,'24点阵汉字居中',15,1,1)", kPlab, kR2},
    {"PS16", 3, 2, "叠加16点阵:PS16(m,x1,y1,str,c,lx);", "PS16(1,0,0,'要显示的字符串',1)", kPsText, ""},
    {"PS24", 3, 2, "叠加24点阵:PS24(m,x1,y1,str,c,lx);", "PS24(1,0,0,'要显示的字符串',1)", kPsText, ""},
    {"PS32", 3, 2, "叠加32点阵:PS32(m,x1,y1,str,c,lx);", "PS32(1,0,0,'要显示的字符串',1)", kPsText, ""},
    {"PS48", 3, 2, "叠加48点阵:PS48(m,x1,y1,str,c,lx);", "PS48(1,0,0,'要显示的字符串',1)", kPsText, ""},
    {"PS64", 3, 2, "叠加64点阵:PS64(m,x1,y1,str,c,lx);", "PS64(1,0,0,'要显示的字符串',1)", kPsText, ""},
    {"CBOX", 0, 1, "圆角空心方框:CBOX(x1,y1,x2,y2,r,c);", "CBOX(0,0,100,100,5,1)", kCbox, kR3},
    {"CBOF", 0, 1, "圆角实心方框:CBOF(x1,y1,x2,y2,r,c);", "CBOF(0,0,100,100,5,1)", kCbox, kR3},
    {"W8BF", 7, 1, "Win8方框:W8BF(x1,y1,x2,y2,cn);", "W8BF(0,0,100,100,1)", kW8bf, ""},
    {"CPIC", 3, 5, "切割图片显示:CPIC(x1,y1,pn,px1,py1,w,h);", "CPIC(0,0,1,100,100,80,80)", kCpic, ""},
    {"DQX", 4, 2, "曲线设置:DQX(x1,y1,xp,yn,xn,yp);", "DQX(0,0,10,10,10,10)", kDqx, kR4},
    {"RQX", 4, 3, "刷新曲线:RQX;", "RQX", "", ""},
    {"Qn", 4, 3, "送数据:Qn;", "Q128", "", kR5},
    {"Sn", 4, 3, "送数据且刷新:Sn;", "S128", "", kR5},
    {"MENU", 5, 2, "菜单初始化:MENU(x1,y1,w,h,pw,ax1,ax2,hzm,yn,max,pg,go);", "MENU(20,0,180,30,24,10,50,16,8,7,127,1)", kMenu, ""},
    {"MSHW", 5, 3, "刷新菜单显示:MSHW;", "MSHW", "", ""},
    {"MSET", 5, 3, "选择菜单项:MSET(n);", "MSET(4)", kMset, ""},
    {"MDF", 5, 3, "定义菜单项:MDF(n,pn,str);", "MDF(1,18,'返回')", kMdf, ""},
    {"TPST", 6, 3, "触摸屏校准:TPST(w,h);", "TPST(400,240)", kTpst, kR6},
    {"TPN", 6, 3, "触摸屏模式:TPN(n);", "TPN(0)", kTpn, kR6},
    {"TPOW", 6, 3, "画笔测试:TPOW(c);", "TPOW(1)", kTpow, kR6},
    {"BTN", 6, 1, "按钮热区:BTN(n,x1,y1,x2,y2,t,asc);", "BTN(1,10,10,110,110,3)", kBtn, ""},
    {"TICN", 6, 3, "定义按钮图标:TICN(pn,xn,yn);", "TICN(11,10,10)", kTicn, ""},
    {"BICN", 6, 2, "图标热区:BICN(n,x1,y1,n1,n2,asc);", "BICN(1,10,10,1,11)", kBicn, ""},
    {"TSIN", 6, 2, "组态键盘显示:TSIN(hzm,x1,y1,limitX,long,t,c);", "TSIN(16,10,10,300,15,1,1)", kTsin, ""},
    {"PBTN", 6, 2, "切图热区:PBTN(n,x1,y1,w,h,bp1,bp2,asc);", "PBTN(1,10,10,80,80,1,2)", kPbtn, ""},
    {"TERM", 9, 3, "进入终端模式:TERM;", "TERM", "", kR7},
    {"SPG", 9, 3, "显示批界面:SPG(n);", "SPG(1)", kSpg, kR7},
    {"DRn", 9, 3, "设置显示方向:DRn;", "DR0", kDrn, kR7},
    {"INF", 9, 3, "传出硬件参数:INF;", "INF", "", kR7},
    {"SNF", 9, 3, "显示硬件参数:SNF(x1,y1);", "SNF(0,0)", kXy, kR7},
    {"SXY", 9, 3, "显示偏移设置:SXY(x1,y1);", "SXY(160,120)", kXy, kR7},
    {"SEBL", 9, 3, "设置背光亮度:SEBL(n);", "SEBL(100)", kSebl, kR7},
};

constexpr const char* kCategoryNames[Catalogue::kCategories] = {
    "基本绘图指令", "汉字显示指令", "颜色相关指令", "图形与汉字叠加", "曲线相关指令",
    "菜单相关指令", "触摸相关指令", "win8相关指令", "表格相关指令", "系统相关指令",
};

std::string Replace(std::string_view text, char from, std::string_view to) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (c == from)
            out.append(to);
        else
            out.push_back(c);
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

Catalogue::Catalogue() {
    for (const Row& r : kRows)
        Register(r.category, r.type, r.name, Utf8ToGbk(r.signature), Utf8ToGbk(r.example), Utf8ToGbk(r.params),
                 Utf8ToGbk(r.remark));
}

const Catalogue& Catalogue::Shared() {
    static const Catalogue catalogue;
    return catalogue;
}

std::string Catalogue::Key(std::string_view name, std::string_view suffix) {
    std::string key(name);
    key.append(suffix);
    return key;
}

void Catalogue::Register(int category, int type, std::string_view name, std::string_view signature,
                         std::string_view example, std::string_view params, std::string_view remark) {
    auto& captions = captions_[category];
    if (captions.size() < kMaxCaptions) {
        const auto colon = signature.find(':');
        std::string caption(signature.substr(0, colon == std::string_view::npos ? 0 : colon + 1));
        caption.append(name);
        captions.push_back(std::move(caption));
    }
    names_.emplace_back(name);
    table_.SetInt(Key(name, "#T"), type);
    table_.SetValue(Key(name, "#S"), signature);
    table_.SetValue(Key(name, "#D"), example);
    table_.SetValue(Key(name, "#BZ"), remark);
    table_.SetValue(Key(name, "#P"), Replace(params, '|', "\r\n"));
}

std::string Catalogue::CategoryName(int category) {
    if (category < 0 || category >= kCategories) return {};
    return Utf8ToGbk(kCategoryNames[category]);
}

std::vector<int> Catalogue::PaletteCategories() const {
    std::vector<int> out;
    for (int c = 0; c < kCategories; ++c)
        if (!captions_[c].empty()) out.push_back(c);
    return out;
}

std::string Catalogue::PaletteStatement(std::string_view caption) const {
    const auto colon = caption.find(':');
    if (colon == std::string_view::npos) return {};
    const std::string_view name = caption.substr(colon + 1, 4);
    return std::string(Trim(Example(name)));
}

}  // namespace quelmo
