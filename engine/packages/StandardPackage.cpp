#include "engine/packages/StandardPackage.h"

#include "platform/TypeInfo.h"

namespace norvale {

namespace {

template <class T>
void AddFunction(TUserFunctionList& Functions) {
  Functions.Add(NewRef<T>());
}

}  // namespace

void TStandardPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& F = Functions();
  // The whole catalogue in its order. A name in a comment is a function whose group is still to
  // come: control flow and variables, the list functions and numeric comparisons, streams and
  // files, and batch, which needs the engine's batch input.
  AddFunction<TAndFunction>(F);
  AddFunction<TAssertFunction>(F);
  AddFunction<TAssertStringFunction>(F);
  // batch
  // bind
  AddFunction<TClearFunction>(F);
  // clear-storage
  // close
  AddFunction<TDoBackwardChainingFunction>(F);
  // dribble-on
  // dribble-off
  AddFunction<TDuplicateFunction>(F);
  AddFunction<TEqFunction>(F);
  AddFunction<TEqStarFunction>(F);
  // =
  AddFunction<TExitFunction>(F);
  // __get-var
  // fetch
  // foreach
  // format
  AddFunction<TGenSymStarFunction>(F);
  AddFunction<TGetFactDuplicationFunction>(F);
  AddFunction<TGetSlotValueFunction>(F);
  // >
  // >=
  AddFunction<THaltFunction>(F);
  // if
  AddFunction<TLoadFunction>(F);
  AddFunction<TLoadFactsFunction>(F);
  // <
  // <=
  // member
  AddFunction<TModifyFunction>(F);
  AddFunction<TNeqFunction>(F);
  // <>
  AddFunction<TNotFunction>(F);
  // open
  AddFunction<TOrFunction>(F);
  // printout
  // read
  // readline
  // remove
  // rename
  AddFunction<TResetFunction>(F);
  AddFunction<TRetractFunction>(F);
  AddFunction<TRetractStringFunction>(F);
  // return
  AddFunction<TRunFunction>(F);
  AddFunction<TSaveFunction>(F);
  AddFunction<TSaveFactsFunction>(F);
  AddFunction<TSetFactDuplicationFunction>(F);
  // store
  // try
  // throw
  AddFunction<TUnwatchFunction>(F);
  AddFunction<TVersionFunction>(F);
  AddFunction<TWatchFunction>(F);
  // while
  // create$
  // delete$
  // explode$
  // first$
  // implode$
  // insert$
  // length$
  // member$
  // nth$
  // replace$
  // rest$
  // subseq$
  // subsetp
}

namespace {

const bool Registered = (RegisterClass<TStandardPackage, TUserPackage>("TStandardPackage"), true);

}  // namespace

}  // namespace norvale
