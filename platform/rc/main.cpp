// kelrc --module <name> [--main] [--depfile <file>] [-I <dir>]... [-D NAME[=value]]... -o <out.cpp>
// <script.rc> Compiles a resource script into C++ tables. Errors print "file:line: error: message" and
// exit 1.
#include "Rc.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace
{

int Usage()
{
    std::cerr
        << "usage: kelrc --module <name> [--main] [--depfile <file>] [-I <dir>]... [-D NAME[=value]]... "
           "-o <out.cpp> <script.rc>\n";
    return 2;
}

// Makefile syntax: spaces, '#' and '$' escaped.
std::string DepEscape(const std::string& path)
{
    std::string out;
    for (char c : path)
    {
        if (c == ' ' || c == '#')
            out += '\\';
        if (c == '$')
            out += '$';
        out += c;
    }
    return out;
}

// Writes through a temporary file so an interrupted build never leaves half a file behind.
bool WriteFile(const std::string& path, const std::string& text)
{
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << text;
        if (!out.flush())
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string module, depfile, output, script;
    bool isMain = false;
    std::vector<std::string> includeDirs;
    std::vector<std::pair<std::string, std::string>> defines;
    for (int i = 1; i < argc; ++i)
    {
        std::string a = argv[i];
        auto value = [&](std::string& out)
        {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (a == "--module")
        {
            if (!value(module))
                return Usage();
        }
        else if (a == "--main")
            isMain = true;
        else if (a == "--depfile")
        {
            if (!value(depfile))
                return Usage();
        }
        else if (a == "-o")
        {
            if (!value(output))
                return Usage();
        }
        else if (a.rfind("-I", 0) == 0)
        {
            std::string dir = a.substr(2);
            if (dir.empty() && !value(dir))
                return Usage();
            includeDirs.push_back(dir);
        }
        else if (a.rfind("-D", 0) == 0)
        {
            std::string def = a.substr(2);
            if (def.empty() && !value(def))
                return Usage();
            size_t eq = def.find('=');
            defines.emplace_back(def.substr(0, eq), eq == std::string::npos ? "1" : def.substr(eq + 1));
        }
        else if (!a.empty() && a[0] == '-')
            return Usage();
        else if (script.empty())
            script = a;
        else
            return Usage();
    }
    if (module.empty() || output.empty() || script.empty())
        return Usage();
#ifdef KELRC_INCLUDE_DIRS
    // The layer's own headers (win32/styles.h, afxres.h) are always reachable.
    std::istringstream defaults(KELRC_INCLUDE_DIRS);
    for (std::string dir; std::getline(defaults, dir, '|');)
        if (!dir.empty())
            includeDirs.push_back(dir);
#endif

    try
    {
        kelrc::Preprocessor pp(includeDirs);
        for (const auto& [name, value] : defines)
            pp.Define(name, value);
        std::vector<kelrc::Token> tokens = pp.Run(script);
        kelrc::ModuleDef def = kelrc::Parse(tokens, pp);
        if (!WriteFile(output, kelrc::Emit(def, module, isMain, script)))
        {
            std::cerr << output << ": error: cannot write output\n";
            return 1;
        }
        if (!depfile.empty())
        {
            std::string deps = DepEscape(output) + ":";
            for (const std::string& d : pp.Dependencies())
                deps += " \\\n  " + DepEscape(d);
            deps += "\n";
            if (!WriteFile(depfile, deps))
            {
                std::cerr << depfile << ": error: cannot write depfile\n";
                return 1;
            }
        }
    }
    catch (const kelrc::CompileError& e)
    {
        std::cerr << e.file << ":" << e.line << ": error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
