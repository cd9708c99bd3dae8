// vor4: look inside VOR4 grid documents, pull values out, bring grids in, check and copy them.
// Failures print one line naming the file and the reason and exit 1; usage errors print the
// usage and exit 2.
#include <CLI/CLI.hpp>

#include <iostream>

#include "commands.h"
#include "failure.h"
#include "progress.h"

int main(int argc, char** argv) {
    using namespace vor4;
    CLI::App app{"Look inside VOR4 grid documents, pull values out, bring grids in.", "vor4"};
    app.require_subcommand(1, 1);
    app.fallthrough();
    bool quiet = false;
    app.add_flag("-q,--quiet", quiet, "Draw no progress bar");
    const char* const doc_help = "The document's metadata file (.xml)";

    std::string doc, prop, out, source, destination;
    std::vector<std::string> props;
    bool json = false, update = false, overwrite = false;

    CLI::App* info = app.add_subcommand("info", "Geometry and properties of a document");
    info->add_option("DOC", doc, doc_help)->required();
    info->add_flag("--json", json, "Print JSON");

    CLI::App* stats = app.add_subcommand("stats", "Statistics and 100-bin histogram of properties");
    stats->add_option("DOC", doc, doc_help)->required();
    stats->add_option("PROP", props, "Properties (all when none is named)");
    stats->add_flag("--update", update, "Compute them and store them in the document");
    stats->add_flag("--json", json, "Print JSON");

    CatOptions cat_options;
    CLI::App* cat = app.add_subcommand("cat", "Values as text rows, optionally a window, decimated");
    cat->add_option("DOC", cat_options.doc, doc_help)->required();
    cat->add_option("PROP", cat_options.prop, "Property name")->required();
    cat->add_option("--window", cat_options.window, "X0,Y0,W,H[,Z0,D] (X0,W for 1D and points)");
    cat->add_option("--size", cat_options.size, "W,H[,D]: decimate the window to this size");
    cat->add_option("--type", cat_options.type, "Read as single, byte, integer, bitmask or double");

    CLI::App* exp = app.add_subcommand("export", "Write a property to .csv, .npy or .vrt (GDAL)");
    exp->add_option("DOC", doc, doc_help)->required();
    exp->add_option("PROP", prop, "Property name")->required();
    exp->add_option("-o,--output", out, "Output file; its extension picks the format")->required();

    ImportOptions imp;
    CLI::App* import = app.add_subcommand("import", "Make a property from a .npy or raw file");
    import->add_option("DOC", imp.doc, doc_help)->required();
    import->add_option("PROP", imp.prop, "Property name")->required();
    import->add_option("FILE", imp.file, ".npy file, or raw values in the property's layout")->required();
    import->add_option("--type", imp.type, "Value type of the property (and of a raw file)");
    import->add_option("--kind", imp.kind, "Property kind (pkQuantNonCriter by default)");
    import->add_option("--grid", imp.grid, "NX,NY[,NZ] of a new document");
    import->add_option("--origin", imp.origin, "X0,Y0[,Z0] of a new document");
    import->add_option("--cell", imp.cell, "DX,DY[,DZ] of a new document");
    import->add_option("--azimuth", imp.azimuth, "Azimuth of a new document, degrees");
    import->add_flag("--overwrite", imp.overwrite, "Replace a property of the same name");

    CLI::App* check = app.add_subcommand("check", "Check that a document is whole");
    check->add_option("DOC", doc, doc_help)->required();

    CLI::App* copy = app.add_subcommand("copy", "Copy a document with its data files");
    copy->add_option("SRC", source, "Source document")->required();
    copy->add_option("DST", destination, "Destination document")->required();
    copy->add_flag("--overwrite", overwrite, "Replace an existing destination");

    CLI::App* rm = app.add_subcommand("rm", "Delete a document with its data files, or one property");
    rm->add_option("DOC", doc, doc_help)->required();
    rm->add_option("PROP", prop, "Delete only this property");

    CLI::App* used = &app;
    try {
        app.parse(argc, argv);
        used = app.get_subcommands().front();
        Progress::set_quiet(quiet);
        if (used == info) return run_info(doc, json);
        if (used == stats) return run_stats(doc, props, update, json);
        if (used == cat) return run_cat(cat_options);
        if (used == exp) return run_export(doc, prop, out);
        if (used == import) return run_import(imp);
        if (used == check) return run_check(doc);
        if (used == copy) return run_copy(source, destination, overwrite);
        return run_rm(doc, prop);
    } catch (const CLI::CallForHelp&) {
        const auto subs = app.get_subcommands();
        std::cout << (subs.empty() ? app.help() : subs.back()->help());
        return 0;
    } catch (const CLI::ParseError& e) {
        const auto subs = app.get_subcommands();
        std::cerr << "vor4: " << e.what() << "\n" << (subs.empty() ? app.help() : subs.back()->help());
        return 2;
    } catch (const UsageError& e) {
        std::cerr << "vor4: " << e.what() << "\n" << used->help();
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "vor4: " << e.what() << "\n";
        return 1;
    }
}
