// Reads the dump of a Lua 5.1 chunk (lua_dump) back: its header, then each
// function's code, constants, nested functions and line numbers. The global
// reads and writes are the GETGLOBAL and SETGLOBAL instructions; what follows
// a read in the same registers tells whether the value is called or indexed.
#include "tools/advcheck/luachunk.h"

#include <cstdint>
#include <string_view>

#include "luaexecutor/luaexecutor.h"

namespace advcheck {

namespace {

// Operation codes of the 5.1 virtual machine, in its numbering.
enum Op : int {
    MOVE,
    LOADK,
    LOADBOOL,
    LOADNIL,
    GETUPVAL,
    GETGLOBAL,
    GETTABLE,
    SETGLOBAL,
    SETUPVAL,
    SETTABLE,
    NEWTABLE,
    SELF,
    ADD,
    SUB,
    MUL,
    DIV,
    MOD,
    POW,
    UNM,
    NOT,
    LEN,
    CONCAT,
    JMP,
    EQ,
    LT,
    LE,
    TEST,
    TESTSET,
    CALL,
    TAILCALL,
    RETURN,
    FORLOOP,
    FORPREP,
    TFORLOOP,
    SETLIST,
    CLOSE,
    CLOSURE,
    VARARG,
};

constexpr int constantBit = 256;     // an operand B or C with this bit names a constant
constexpr int jumpBias = 131071;     // sBx = Bx - this
constexpr int deepestNesting = 250;  // the compiler's own limit is lower

struct Instruction {
    std::uint32_t code = 0;
    int op() const { return static_cast<int>(code & 0x3F); }
    int a() const { return static_cast<int>((code >> 6) & 0xFF); }
    int c() const { return static_cast<int>((code >> 14) & 0x1FF); }
    int b() const { return static_cast<int>((code >> 23) & 0x1FF); }
    int bx() const { return static_cast<int>(code >> 14); }
    int sbx() const { return bx() - jumpBias; }
};

struct Constant {
    bool isString = false;
    std::string text;
};

struct Function {
    std::vector<Instruction> code;
    std::vector<Constant> constants;
    std::vector<Function> functions;
    std::vector<int> lines;  // per instruction
    int upvalues = 0;
};

class DumpReader {
public:
    explicit DumpReader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<Function> read() {
        if (!header()) return std::nullopt;
        Function main = function(0);
        if (!ok_) return std::nullopt;
        return main;
    }

private:
    bool take(std::size_t size, std::string_view& out) {
        if (!ok_ || bytes_.size() - pos_ < size) {
            ok_ = false;
            return false;
        }
        out = bytes_.substr(pos_, size);
        pos_ += size;
        return true;
    }
    std::uint64_t unsignedOf(std::size_t size) {
        std::string_view raw;
        if (!take(size, raw)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = size; i-- > 0;) value = value << 8 | static_cast<unsigned char>(raw[i]);
        return value;
    }
    int byte() { return static_cast<int>(unsignedOf(1)); }
    int integer() { return static_cast<int>(static_cast<std::int32_t>(unsignedOf(intSize_))); }
    // A count of items of at least `itemSize` bytes each, refused when the rest is too short.
    std::size_t count(std::size_t itemSize) {
        const int n = integer();
        if (n < 0 || static_cast<std::size_t>(n) > (bytes_.size() - pos_) / itemSize) ok_ = false;
        return ok_ ? static_cast<std::size_t>(n) : 0;
    }
    std::string string() {
        const std::uint64_t size = unsignedOf(sizeSize_);
        std::string_view raw;
        if (size == 0 || size > bytes_.size() || !take(static_cast<std::size_t>(size), raw)) return {};
        return std::string(raw.substr(0, raw.size() - 1));  // without the closing zero
    }

    // Signature, version 5.1, the official format, little-endian, then the
    // sizes of int, size_t, an instruction and a number, and whether numbers are integers.
    bool header() {
        std::string_view raw;
        if (!take(12, raw) || raw.substr(0, 7) != std::string_view("\x1bLua\x51\x00\x01", 7)) return false;
        intSize_ = static_cast<unsigned char>(raw[7]);
        sizeSize_ = static_cast<unsigned char>(raw[8]);
        numberSize_ = static_cast<unsigned char>(raw[10]);
        return intSize_ == 4 && (sizeSize_ == 4 || sizeSize_ == 8) && raw[9] == 4 && numberSize_ >= 1 &&
               numberSize_ <= 16;
    }

    Function function(int depth) {
        Function f;
        if (depth > deepestNesting) {
            ok_ = false;
            return f;
        }
        string();   // source
        integer();  // first line
        integer();  // last line
        f.upvalues = byte();
        byte();  // parameters
        byte();  // vararg flag
        byte();  // stack size
        for (std::size_t n = count(4); ok_ && n > 0; --n)
            f.code.push_back({static_cast<std::uint32_t>(unsignedOf(4))});
        for (std::size_t n = count(1); ok_ && n > 0; --n) f.constants.push_back(constant());
        for (std::size_t n = count(1); ok_ && n > 0; --n) f.functions.push_back(function(depth + 1));
        for (std::size_t n = count(intSize_); ok_ && n > 0; --n) f.lines.push_back(integer());
        for (std::size_t n = count(1); ok_ && n > 0; --n) {  // local names and their ranges
            string();
            integer();
            integer();
        }
        for (std::size_t n = count(1); ok_ && n > 0; --n) string();  // upvalue names
        if (!f.lines.empty() && f.lines.size() != f.code.size()) ok_ = false;
        return f;
    }

    Constant constant() {
        Constant k;
        std::string_view skipped;
        switch (byte()) {
        case LUA_TNIL: break;
        case LUA_TBOOLEAN: byte(); break;
        case LUA_TNUMBER: take(numberSize_, skipped); break;
        case LUA_TSTRING:
            k.isString = true;
            k.text = string();
            break;
        default: ok_ = false;
        }
        return k;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
    std::size_t intSize_ = 4, sizeSize_ = 8, numberSize_ = 8;
};

class Analysis {
public:
    explicit Analysis(ChunkGlobals& out) : out_(out) {}

    void function(const Function& f) {
        markJumpTargets(f);
        for (std::size_t pc = 0; pc < f.code.size(); ++pc) {
            const Instruction ins = f.code[pc];
            const int line = pc < f.lines.size() ? f.lines[pc] : 0;
            switch (ins.op()) {
            case GETGLOBAL:
                if (const std::string* name = stringConstant(f, ins.bx())) {
                    GlobalRead read{*name, line, GlobalUse::Other, {}};
                    classify(f, pc, ins.a(), read);
                    out_.reads.push_back(std::move(read));
                }
                break;
            case SETGLOBAL:
                if (const std::string* name = stringConstant(f, ins.bx())) out_.assigned.insert(*name);
                break;
            case GETTABLE:
            case SELF:
                if (const std::string* field = rkString(f, ins.c()); field && holdsString(f, pc, ins.b()))
                    out_.stringIndexes.push_back({*field, line});
                break;
            case CLOSURE:
                pc += upvaluesOf(f, ins.bx());
                break;  // the pseudo-instructions naming its upvalues
            default: break;
            }
        }
        for (const Function& inner : f.functions) function(inner);
    }

private:
    static const std::string* stringConstant(const Function& f, int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= f.constants.size()) return nullptr;
        const Constant& k = f.constants[static_cast<std::size_t>(index)];
        return k.isString ? &k.text : nullptr;
    }
    static const std::string* rkString(const Function& f, int operand) {
        return operand & constantBit ? stringConstant(f, operand & ~constantBit) : nullptr;
    }
    static std::size_t upvaluesOf(const Function& f, int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= f.functions.size()) return 0;
        return static_cast<std::size_t>(f.functions[static_cast<std::size_t>(index)].upvalues);
    }

    void markJumpTargets(const Function& f) {
        targets_.assign(f.code.size() + 2, false);
        const auto mark = [this](long target) {
            if (target >= 0 && static_cast<std::size_t>(target) < targets_.size())
                targets_[static_cast<std::size_t>(target)] = true;
        };
        for (std::size_t pc = 0; pc < f.code.size(); ++pc) {
            const Instruction ins = f.code[pc];
            const long next = static_cast<long>(pc) + 1;
            switch (ins.op()) {
            case JMP:
            case FORLOOP:
            case FORPREP: mark(next + ins.sbx()); break;
            case EQ:
            case LT:
            case LE:
            case TEST:
            case TESTSET:
            case TFORLOOP: mark(next + 1); break;
            case LOADBOOL:
                if (ins.c() != 0) mark(next + 1);
                break;
            default: break;
            }
        }
    }

    // The register is a string in every way to this instruction: the one
    // before it put a string constant or a concatenation there, and no jump
    // lands in between.
    bool holdsString(const Function& f, std::size_t pc, int reg) const {
        if (pc == 0 || targets_[pc] || reg & constantBit) return false;
        const Instruction before = f.code[pc - 1];
        if (before.a() != reg) return false;
        return (before.op() == LOADK && stringConstant(f, before.bx())) || before.op() == CONCAT;
    }

    // Follows the register that a GETGLOBAL filled to its first use.
    static void classify(const Function& f, std::size_t pc, int reg, GlobalRead& read) {
        for (std::size_t j = pc + 1; j < f.code.size(); ++j) {
            const Instruction ins = f.code[j];
            const int op = ins.op();
            if (op == CLOSURE) {
                if (ins.a() == reg) return;
                j += upvaluesOf(f, ins.bx());
                continue;
            }
            if (op == CALL || op == TAILCALL) {
                if (ins.a() == reg) read.use = GlobalUse::Called;
                if (ins.a() <= reg) return;  // called, or passed to an outer call
                continue;
            }
            if ((op == GETTABLE || op == SELF) && ins.b() == reg) {
                indexed(f, ins.c(), read);
                return;
            }
            if (op == SETTABLE && ins.a() == reg) {
                indexed(f, ins.b(), read);
                return;
            }
            if (touches(ins, reg)) return;
        }
    }

    static void indexed(const Function& f, int key, GlobalRead& read) {
        read.use = GlobalUse::Indexed;
        if (const std::string* field = rkString(f, key)) read.field = *field;
    }

    // Whether an instruction reads or writes the register (conservatively).
    static bool touches(const Instruction& ins, int reg) {
        const int a = ins.a(), b = ins.b(), c = ins.c();
        const auto isReg = [reg](int operand) {
            return operand == reg;
        };  // a constant operand has bit 256 set
        switch (ins.op()) {
        case JMP:
        case CLOSE: return false;
        case EQ:
        case LT:
        case LE: return isReg(b) || isReg(c);
        case LOADNIL: return reg >= a && reg <= b;
        case CONCAT: return a == reg || (reg >= b && reg <= c);
        case RETURN:
        case SETLIST:
        case VARARG:
        case FORLOOP:
        case FORPREP:
        case TFORLOOP: return reg >= a;
        case LOADK:
        case LOADBOOL:
        case GETUPVAL:
        case GETGLOBAL:
        case SETGLOBAL:
        case SETUPVAL:
        case NEWTABLE:
        case TEST: return a == reg;
        default: return a == reg || isReg(b) || isReg(c) || (ins.op() == SELF && a + 1 == reg);
        }
    }

    ChunkGlobals& out_;
    std::vector<bool> targets_;
};

int appendDump(lua_State*, const void* data, std::size_t size, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return 0;
}

}  // namespace

std::optional<ChunkGlobals> readChunkGlobals(lua_State* L) {
    if (!lua_isfunction(L, -1) || lua_iscfunction(L, -1)) return std::nullopt;
    std::string dump;
    if (lua_dump(L, appendDump, &dump) != 0) return std::nullopt;
    const std::optional<Function> main = DumpReader(dump).read();
    if (!main) return std::nullopt;
    ChunkGlobals globals;
    Analysis(globals).function(*main);
    return globals;
}

std::set<std::string, std::less<>> baseLibraryGlobals() {
    std::set<std::string, std::less<>> names;
    const LuaStatePtr state(luaL_newstate());
    if (!state) return names;
    lua_State* L = state.get();
    lua_pushcfunction(L, luaopen_base);
    lua_call(L, 0, 0);
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
        lua_pop(L, 1);  // the value; the key stays for the next step
        if (lua_type(L, -1) == LUA_TSTRING) names.insert(lua_tostring(L, -1));
    }
    return names;
}

}  // namespace advcheck
