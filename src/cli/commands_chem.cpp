// Chemistry commands: a herb's ingredients and their export, the active-component matching and
// what follows from a matched row, properties and structure pictures of a SMILES. Commands that
// act on a window's grid work on what earlier commands of the same script put there.
#include <ostream>

#include "chem/active_component.h"
#include "chem/active_matching.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/open_babel.h"
#include "cli/cli.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/text.h"
#include "herb/danti_analysis.h"

namespace lindora::cli {
namespace {

void PrintChemGrid(Context& ctx) {
  ChemAnalysis& chem = ctx.session.Window<ChemAnalysis>();
  PrintGrid(ctx, chem.Caption(), "FlexGrid", chem.FlexGrid());
}

void PrintActiveGrid(Context& ctx) {
  ActiveComponent& active = ctx.session.Window<ActiveComponent>();
  PrintGrid(ctx, active.Caption(), "FlexGrid", active.FlexGrid());
}

// Selects a row of a grid the way a click does; false (with a message) when it has no such row.
bool SelectRow(Context& ctx, Grid& grid, const std::string& text) {
  auto row = ToInt32(Val(text));
  if (!row || *row < 1 || *row >= grid.Rows()) {
    ctx.err << "没有第 " << text << " 行（表格共 " << grid.Rows() - 1 << " 行）。\n";
    return false;
  }
  grid.SetRow(*row);
  grid.SetRowSel(*row);
  return true;
}

int Ingredients(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "ingredients HERB");
  const Outcome outcome = ShowHerbIngredients(ctx.session, args[0]);
  // A structure that could not be drawn fails the run but the list is there.
  if (ctx.session.Window<ChemAnalysis>().Visible()) PrintChemGrid(ctx);
  return ExitStatus(outcome);
}

int ExportHerbChem(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "export-herb-chem THRESHOLD");
  ctx.dialogs.QueueAnswer(args[0]);
  return ExitStatus(ExportHerbChemistry(ctx.session));
}

int Active(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1 || (args[0] != "anticancer" && args[0] != "antiinfluenza"))
    return UsageError(ctx, "active anticancer|antiinfluenza");
  ChemAnalysis& chem = ctx.session.Window<ChemAnalysis>();
  const Outcome outcome = args[0] == "anticancer" ? chem.Menu_FindAnticancer_Click()
                                                  : chem.Menu_FindAntiinfluenza_Click();
  PrintActiveGrid(ctx);
  return ExitStatus(outcome);
}

int HerbsWithCompound(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "herbs-with-compound ROW");
  ActiveComponent& active = ctx.session.Window<ActiveComponent>();
  if (!SelectRow(ctx, active.FlexGrid(), args[0])) return kRefused;
  const Outcome outcome = active.Menu_SearchTCM_Click();
  DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
  PrintGrid(ctx, danti.Caption(), "FlexGrid", danti.FlexGrid());
  return ExitStatus(outcome);
}

int OpenRef(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "open-ref ROW");
  ActiveComponent& active = ctx.session.Window<ActiveComponent>();
  if (!SelectRow(ctx, active.FlexGrid(), args[0])) return kRefused;
  return ExitStatus(active.Menu_OpenRef_Click());
}

int PubChem(Context& ctx, const Args& args) {
  const bool in_active = args.Has("--active");
  if (args.size() != 1) return UsageError(ctx, "pubchem [--active] ROW");
  const std::string& row = args.back();
  if (in_active) {
    ActiveComponent& active = ctx.session.Window<ActiveComponent>();
    if (!SelectRow(ctx, active.FlexGrid(), row)) return kRefused;
    return ExitStatus(active.Menu_SearchPubChem_Click());
  }
  ChemAnalysis& chem = ctx.session.Window<ChemAnalysis>();
  if (!SelectRow(ctx, chem.FlexGrid(), row)) return kRefused;
  return ExitStatus(chem.Menu_SearchPubChem_Click());
}

int Properties(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "properties SMILES");
  return ExitStatus(Guard(ctx.session, [&] { return PropertiesOfSmiles(ctx.session, args[0]); }));
}

int Picture(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError(ctx, "picture SMILES OUT.png");
  if (std::string problem = CheckUserOutputs(ctx.session.ProgramFolder(), {args[1]});
      !problem.empty()) {
    ctx.session.Message(problem);
    return kRefused;
  }
  StructurePicture picture;
  const Outcome outcome = Guard(ctx.session, [&] {
    if (!ShowStructure(ctx.session, args[0], picture)) return false;
    CopyFileAtomic(picture.file, args[1]);
    return true;
  });
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  ctx.out << args[1] << '\t' << picture.size.width << 'x' << picture.size.height << '\n';
  return kDone;
}

Registrar ingredients_command(
    "ingredients", "ingredients HERB",
    "lists the ingredients of a herb in the chemical grid, draws the first structure and prints "
    "the grid",
    Ingredients);
Registrar export_command(
    "export-herb-chem", "export-herb-chem THRESHOLD",
    "writes \\Result\\单味药-化学成分.csv for the herbs of the herb grid whose "
    "frequency reaches THRESHOLD",
    ExportHerbChem);
Registrar active_command("active", "active anticancer|antiinfluenza",
                         "matches the chemical grid against a reference set and prints the "
                         "active-component grid",
                         Active);
Registrar herbs_with_compound_command(
    "herbs-with-compound", "herbs-with-compound ROW",
    "the herbs that contain the compound of an active-component row, into the herb grid",
    HerbsWithCompound);
Registrar open_ref_command("open-ref", "open-ref ROW",
                           "opens the references or the NPACT page of an active-component row",
                           OpenRef);
Registrar pubchem_command("pubchem", "pubchem [--active] ROW",
                          "opens the PubChem search for a row of the chemical grid (or of the "
                          "active-component grid)",
                          {"--active"}, PubChem);
Registrar properties_command("properties", "properties SMILES",
                             "computes the properties of a SMILES with the converter", Properties);
Registrar picture_command("picture", "picture SMILES OUT.png",
                          "draws the structure of a SMILES with the converter into OUT.png",
                          Picture);

}  // namespace
}  // namespace lindora::cli
