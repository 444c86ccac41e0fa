async function main() {
  const items = await fetch_items();
  for (const item of items) {
    if (item.ok) {
      console.log(`ok ${item.id}`);
    
  }
}
main();
